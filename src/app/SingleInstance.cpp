#include "SingleInstance.h"

#include "platform/runtime/RuntimeFolder.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>

CSingleInstance::CSingleInstance(QObject* parent) : QObject(parent) {}

CSingleInstance::~CSingleInstance()
{
    Close();
}

QString CSingleInstance::ServerPath(QString* why)
{
    const QString dir = platform::RuntimeFolder(why);
    return dir.isEmpty() ? QString() : dir + "/Dialtop.instance";
}

bool CSingleInstance::HandOver(const QString& fileToOpen, int connectMs, int answerMs)
{
    const QString path = ServerPath();
    if (path.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(connectMs))
        return false;
    QJsonObject msg;
    msg["open"] = fileToOpen;
    socket.write(QJsonDocument(msg).toJson(QJsonDocument::Compact) + "\n");
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(answerMs))
            return false;
    }
    // The first instance answers once it has the request.
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(answerMs))
            break;
    }
    return socket.canReadLine() && socket.readLine().trimmed() == "ok";
}

bool CSingleInstance::Listen()
{
    Close();
    m_strError.clear();
    const QString path = ServerPath(&m_strError);
    if (path.isEmpty())
        return false;
    m_pServer = new QLocalServer(this);
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    // Someone answering on the socket is a running instance: never take its
    // place. A socket nobody answers was left by one that died.
    {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(500))
            return false;
    }
    QLocalServer::removeServer(path);
    if (!m_pServer->listen(path)) {
        m_strError = path + ": " + m_pServer->errorString();
        return false;
    }
    connect(m_pServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = m_pServer->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            auto handle = [this, client] {
                if (!client->canReadLine() || client->property("dialtopHandled").toBool())
                    return;
                client->setProperty("dialtopHandled", true);
                const QJsonObject msg = QJsonDocument::fromJson(client->readLine()).object();
                client->write("ok\n");
                client->flush();
                emit activateRequested(msg.value("open").toString());
            };
            connect(client, &QLocalSocket::readyRead, this, handle);
            // The request may already be waiting.
            QMetaObject::invokeMethod(this, handle, Qt::QueuedConnection);
        }
    });
    return true;
}

bool CSingleInstance::IsListening() const
{
    return m_pServer && m_pServer->isListening();
}

void CSingleInstance::Close()
{
    if (m_pServer) {
        m_pServer->close();
        delete m_pServer;
        m_pServer = nullptr;
    }
}
