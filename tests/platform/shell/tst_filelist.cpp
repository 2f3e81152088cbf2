#include "platform/shell/FileList.h"

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

    // Browsers drop addresses: web and mail ones are kept as written, in
    // their places among the files; other machines' files never are.
    void targetsAndHostileLists()
    {
        QMimeData drop;
        drop.setData("text/uri-list", "file:///a\nhttps://example.org/p?q=1\njavascript:alert(1)\n"
                                      "mailto:me@example.org\nfile://other.host/etc/passwd\nfile:///b%00c\nftp://f/x\n");
        QCOMPARE(shell::TargetsFromMimeData(&drop),
                 (QStringList{"/a", "https://example.org/p?q=1", "mailto:me@example.org", "ftp://f/x"}));

        // Bounded: entries, list size and the length of one entry.
        QByteArray many;
        for (int i = 0; i < 5000; ++i)
            many += "file:///f" + QByteArray::number(i) + "\n";
        drop.setData("text/uri-list", many);
        QCOMPARE(shell::TargetsFromMimeData(&drop).size(), shell::kMaxListEntries);
        drop.setData("text/uri-list", "file:///" + QByteArray(shell::kMaxListBytes * 2, 'x'));
        QVERIFY(shell::TargetsFromMimeData(&drop).isEmpty());
    }
};

QTEST_MAIN(TestFileList)
#include "tst_filelist.moc"
