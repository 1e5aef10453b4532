#include <QtTest>
class tst_ZDOCI : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(tst_ZDOCI)
#include "tst_zdoci.moc"
