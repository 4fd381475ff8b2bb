#include "NetworkFileSystem.h"
#include "ServerSetting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

class TestServerSetting : public QObject
{
    Q_OBJECT

private slots:
    // A null file text: no file; "folder": a folder in the file's place. A null server: refused.
    void serverSetting_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("server");
        const QByteArray set = "# shared\n[database]\nserver = ";
        QTest::newRow("no file") << QByteArray() << "";
        QTest::newRow("key outside the group") << QByteArray("server=host=db\n[database]\nport=5\n") << "";
        QTest::newRow("keywords") << set + "host=db port=5432 dbname=q\n" << "host=db port=5432 dbname=q";
        QTest::newRow("URI: a user, two hosts") << set + "postgres://al@h1:5,h2:5/q" << "postgres://al@h1:5,h2:5/q";
        QTest::newRow("quoted password=") << set + "\"passfile=p x='password=y'\"" << "passfile=p x='password=y'";
        QTest::newRow("password keyword, blanks around =") << set + "\"host=db PASSWORD = 'se cret'\"" << QString();
        QTest::newRow("password in a dbname") << set + "\"dbname='host=db password=x'\"" << QString();
        QTest::newRow("password in a URI's user part") << set + "postgresql://al:x@db/q" << QString();
        QTest::newRow("encoded URI parameter") << set + "postgresql://db/q?sslmode=require&pass%77ord=x" << QString();
        QTest::newRow("folder in the file's place") << QByteArray("folder") << QString();
    }
    void serverSetting()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, server);
        const QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("quillmap.conf"));
        QFile written(path);
        if (file == "folder")
            QVERIFY(QDir().mkdir(path));
        else if (!file.isNull())
            QVERIFY(written.open(QIODevice::WriteOnly) && written.write(file) == file.size() && written.flush());
        try {
            QCOMPARE(configuredServer(path), server);
            QVERIFY(!server.isNull());
        } catch (const std::runtime_error &refusal) {
            QVERIFY2(server.isNull() && QString::fromUtf8(refusal.what()).contains(path), refusal.what());
        }
    }

    void networkFileSystem_data()
    {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QString>("name");
        const std::pair<quint32, const char *> types[] = {
            {0x6969, "nfs"}, {0x517B, "smb"}, {0xFE534D42, "smb2"}, {0xFF534D42, "cifs"}, {0x5346414F, "afs"},
            {0x6B414653, "afs"}, {0x73757245, "coda"}, {0x564C, "ncp"}, {0x01021997, "9p"}, {0x00C36400, "ceph"},
            {0x0BD00BD0, "lustre"}, {0x01161970, "gfs2"}, {0x7461636F, "ocfs2"}, {0xEF53 /* ext4 */, ""},
            {0x01021994 /* tmpfs */, ""}, {0x794C7630 /* overlay */, ""}, {0x65735546 /* FUSE */, ""}};
        for (const auto &[type, name] : types)
            QTest::addRow("0x%x %s", type, *name ? name : "local") << type << QString::fromLatin1(name);
    }
    void networkFileSystem()
    {
        QFETCH(quint32, type);
        QFETCH(QString, name);
        QCOMPARE(networkFileSystemName(type), name);
        const QString refusal = networkFolderRefusal(QStringLiteral("/srv/office"), type);
        QCOMPARE(refusal.isEmpty(), name.isEmpty());
        for (const QString &named : {QStringLiteral("/srv/office"), u'(' + name + u')', serverSettingFile()})
            QVERIFY(refusal.isEmpty() || refusal.contains(named));
    }

    void localAndMissingFoldersAreLetThrough()
    {
        const QTemporaryDir dir;
        refuseNetworkFolderOf(dir.filePath(QStringLiteral("dbZipsWorking.mdb")));
        refuseNetworkFolderOf(dir.filePath(QStringLiteral("missing/dbZipsWorking.mdb")));
    }
};

QTEST_GUILESS_MAIN(TestServerSetting)
#include "tst_serversetting.moc"
