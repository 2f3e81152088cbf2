#pragma once
// One Dialtop per user: the first instance listens on a local socket named
// after the main window class; a later start asks it to come forward (and to
// open the theme named on its command line) and then ends. Plain Unix
// sockets: the network library would cost every start its loading time.

#include <QObject>
#include <QString>

class QSocketNotifier;

class CSingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit CSingleInstance(QObject* parent = nullptr);
    ~CSingleInstance() override;

    // The socket's path in the user's runtime folder; empty (with the reason
    // in *why) when the user has no usable one.
    static QString ServerPath(QString* why = nullptr);

    // True when another instance took the request (this one should end).
    // The running instance may still be busy starting: its answer is waited
    // for longer than the connection.
    static bool HandOver(const QString& fileToOpen, int connectMs = 2000, int answerMs = 15000);
    // Starts listening; false when another instance answers (it won a race)
    // or when no socket can be made; ErrorString() says why in the second case.
    bool Listen();
    bool IsListening() const { return m_nListenFd >= 0; }
    QString ErrorString() const { return m_strError; }
    void Close();

    // The longest request taken; a longer one is dropped unanswered.
    static constexpr int kMaxRequest = 64 * 1024;

signals:
    // Another start asked this instance to come forward, maybe with a theme.
    void activateRequested(const QString& fileToOpen);

private:
    void OnNewConnection();

    int m_nListenFd = -1;
    QString m_strPath;
    QSocketNotifier* m_pNotifier = nullptr;
    QString m_strError;
};
