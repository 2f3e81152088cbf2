#include "TestEnv.h"
#include "platform/shell/FileList.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtTest>

class TestFileList : public QObject
{
    Q_OBJECT

private slots:
    // Local files only, from the standard list or the file manager's; the
    // standard list wins when both are there.
    void filesFromMimeData()
    {
        QMimeData uris;
        uris.setData("text/uri-list", "# dropped\r\nfile:///home/u/My%20File.txt\r\n"
                                      "https://example.org/x\r\nfile:///tmp/b\r\n\r\n");
        QCOMPARE(shell::FilesFromMimeData(&uris), (QStringList{"/home/u/My File.txt", "/tmp/b"}));
        QMimeData data;
        data.setText("/etc/passwd");
        QVERIFY(!shell::HasFileList(&data));
        data.setData("x-special/gnome-copied-files", "cut\nfile:///a/one\nfile:///a/t%C3%BCr");
        QCOMPARE(shell::FilesFromMimeData(&data), (QStringList{"/a/one", QString::fromUtf8("/a/t\xC3\xBCr")}));
        data.setData("text/uri-list", "file:///b\n");
        QCOMPARE(shell::FilesFromMimeData(&data), QStringList{"/b"});
        QMimeData remote;
        remote.setData("text/uri-list", "http://only.remote/\n");
        QVERIFY(!shell::HasFileList(&remote));
        QVERIFY(shell::FilesFromMimeData(nullptr).isEmpty());
    }

    void clipboard()
    {
        TestEnv env;
        auto* data = new QMimeData;
        data->setData("x-special/gnome-copied-files", "copy\nfile:///x/y\n");
        QGuiApplication::clipboard()->setMimeData(data);
        QCOMPARE(shell::ClipboardFiles(), QStringList{"/x/y"});
        QVERIFY(shell::ClipboardHasFiles());
        QGuiApplication::clipboard()->clear();
        QVERIFY(!shell::ClipboardHasFiles());
    }
};

QTEST_MAIN(TestFileList)
#include "tst_filelist.moc"
