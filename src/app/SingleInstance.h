#pragma once
// One Dialtop per user: the first instance listens on a local socket named
// after the main window class; a later start asks it to come forward (and to
// open the theme named on its command line) and then ends.

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

class CSingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit CSingleInstance(QObject* parent = nullptr);
    ~CSingleInstance() override;

    // The socket's path: the user's runtime folder, else the temporary folder.
    static QString ServerPath();

    // True when another instance took the request (this one should end).
    // The running instance may still be busy starting: its answer is waited
    // for longer than the connection.
    static bool HandOver(const QString& fileToOpen, int connectMs = 2000, int answerMs = 15000);
    // Starts listening; false when that is impossible (another instance won a race).
    bool Listen();
    bool IsListening() const;
    void Close();

signals:
    // Another start asked this instance to come forward, maybe with a theme.
    void activateRequested(const QString& fileToOpen);

private:
    QLocalServer* m_pServer = nullptr;
};
