#include <QTest>
class TestExportCommands : public QObject { Q_OBJECT };
QTEST_MAIN(TestExportCommands)
#include "tst_exportcommands.moc"
