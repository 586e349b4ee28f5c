// Marvane's traffic log under line noise: one more line in a long log costs what it costs in a
// short one. Counted, not timed: the view may not measure the rows already there.
#include <QStyledItemDelegate>
#include <QTabWidget>

#include "consolefixture.h"
#include "console/logform.h"

namespace {
struct CountingDelegate : QStyledItemDelegate {
    using QStyledItemDelegate::QStyledItemDelegate;
    mutable int measured = 0;
    mutable int painted = 0;
    QSize sizeHint(const QStyleOptionViewItem& o, const QModelIndex& i) const override {
        ++measured;
        return QStyledItemDelegate::sizeHint(o, i);
    }
    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override {
        ++painted;
        QStyledItemDelegate::paint(p, o, i);
    }
};
}  // namespace

class LogCostTest : public QObject {
    Q_OBJECT
private slots:
    void aLineInALongLogTouchesOnlyWhatIsShown();
};

void LogCostTest::aLineInALongLogTouchesOnlyWhatIsShown() {
    ConsoleFixture f(false);
    f.w->show();
    f.w->Tankcfg->setCurrentIndex(2);  // the log's page
    auto* counter = new CountingDelegate(f.w->PrLogwin);
    f.w->PrLogwin->setItemDelegate(counter);
    for (int i = 0; i < 3000; ++i) f.w->AddLogLine("\r0282noise " + std::to_string(i) + "\n", LogPrefixReceive);
    f.env.clock.settle();
    QCOMPARE(f.w->PrLogwin->count(), 3000);
    counter->measured = counter->painted = 0;
    f.w->AddLogLine("one more", LogPrefixInfo);
    f.env.clock.settle();
    QVERIFY2(counter->measured < 50, qPrintable(QStringLiteral("%1 rows measured").arg(counter->measured)));
    QVERIFY2(counter->painted < 200, qPrintable(QStringLiteral("%1 rows painted").arg(counter->painted)));
    QVERIFY(f.w->PrLogwin->text(0).endsWith(QStringLiteral("one more")));
    QVERIFY(f.w->PrLogwin->text(1).endsWith(QStringLiteral("0282noise 2999")));

    // The log window's copy is a log list too.
    f.w->PrLogwinClick();
    QCOMPARE(f.forms().logForm1->Fullog->count(), 3001);
    QCOMPARE(f.forms().logForm1->Fullog->text(3000), f.w->PrLogwin->text(3000));
    auto* copyCounter = new CountingDelegate(f.forms().logForm1->Fullog);
    f.forms().logForm1->Fullog->setItemDelegate(copyCounter);
    f.env.clock.settle();
    copyCounter->measured = 0;
    f.forms().logForm1->Fullog->addLine(QStringLiteral("appended"));
    f.env.clock.settle();
    QVERIFY(copyCounter->measured < 50);
    f.forms().logForm1->hide();
}

TANKCFG_TEST_MAIN(LogCostTest)
#include "tst_log_cost.moc"
