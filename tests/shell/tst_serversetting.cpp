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
    // A null file text: no file; "folder": a folder in the file's place.
    void serverSetting_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("refused");
        QTest::newRow("no file") << QByteArray() << "" << false;
        QTest::newRow("no key") << QByteArray("[database]\nport=5432\n") << "" << false;
        QTest::newRow("key outside the group") << QByteArray("server=host=a\n") << "" << false;
        QTest::newRow("keywords") << QByteArray("# shared\n[database]\nserver = host=db port=5432 dbname=quillmap\n")
                                  << "host=db port=5432 dbname=quillmap" << false;
        QTest::newRow("URI naming a user and two hosts") << QByteArray("[database]\nserver=postgres://al@h1:5,h2:5/q\n")
                                                         << "postgres://al@h1:5,h2:5/q" << false;
        QTest::newRow("passfile and a quoted value naming a password")
            << QByteArray("[database]\nserver=\"passfile=/p application_name='password=x'\"\n")
            << "passfile=/p application_name='password=x'" << false;
        QTest::newRow("password keyword") << QByteArray("[database]\nserver=host=db password=secret\n") << "" << true;
        QTest::newRow("quoted password, blanks around =")
            << QByteArray("[database]\nserver=\"host=db PASSWORD = 'se cret'\"\n") << "" << true;
        QTest::newRow("password in a dbname that is a connection string")
            << QByteArray("[database]\nserver=\"dbname='host=db password=x'\"\n") << "" << true;
        QTest::newRow("password in a URI's user part") << QByteArray("[database]\nserver=postgresql://al:x@db/q\n")
                                                       << "" << true;
        QTest::newRow("encoded password parameter of a URI")
            << QByteArray("[database]\nserver=postgresql://db/q?sslmode=require&pass%77ord=x\n") << "" << true;
        QTest::newRow("folder in the file's place") << QByteArray("folder") << "" << true;
    }
    void serverSetting()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, server);
        QFETCH(bool, refused);
        const QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("quillmap.conf"));
        QFile written(path);
        if (file == "folder")
            QVERIFY(QDir().mkdir(path));
        else if (!file.isNull())
            QVERIFY(written.open(QIODevice::WriteOnly) && written.write(file) == file.size() && written.flush());
        try {
            QCOMPARE(configuredServer(path), server);
            QVERIFY(!refused);
        } catch (const std::runtime_error &refusal) {
            QVERIFY2(refused, refusal.what());
            QVERIFY(QString::fromUtf8(refusal.what()).contains(path));
        }
    }

    void networkFileSystem_data()
    {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QString>("name");
        const std::pair<quint32, const char *> types[] = {
            {0x6969, "nfs"},         {0x517B, "smb"},        {0xFE534D42, "smb2"},   {0xFF534D42, "cifs"},
            {0x5346414F, "afs"},     {0x6B414653, "afs"},    {0x73757245, "coda"},   {0x564C, "ncp"},
            {0x01021997, "9p"},      {0x00C36400, "ceph"},   {0x0BD00BD0, "lustre"}, {0x01161970, "gfs2"},
            {0x7461636F, "ocfs2"},   {0xEF53, ""},           {0x58465342, ""},       {0x9123683E, ""},
            {0x01021994, ""},        {0x794C7630, ""},       {0x65735546, ""},       {0, ""}};
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
