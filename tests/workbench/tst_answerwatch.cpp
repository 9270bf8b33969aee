// When a connected drive counts as not answering: timelines on a virtual
// clock, one event per step.

#include <workbench/answerwatch.h>

#include <QTest>

class tst_AnswerWatch : public QObject
{
    Q_OBJECT
private slots:
    void timeline_data();
    void timeline();
};

void tst_AnswerWatch::timeline_data()
{
    // a<ms> answered, u<ms> unanswered, t<ms> tick, r<ms> the link came up
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("states");  // after each event: s silent, . not
    QTest::addColumn<QString>("changes"); // after each event: c changed, . not

    QTest::newRow("three seconds without an answer") << QStringLiteral("a0 u1500 t2999 t3000 u4500") << QStringLiteral("...ss") << QStringLiteral("...c.");
    QTest::newRow("the next answer ends it") << QStringLiteral("a0 u1500 t3000 a3200 t9000") << QStringLiteral("..s..") << QStringLiteral("..cc.");
    QTest::newRow("counted from the last answer") << QStringLiteral("a0 u2000 a2100 u2600 t5099 t5100") << QStringLiteral(".....s") << QStringLiteral(".....c");
    QTest::newRow("answers alone never") << QStringLiteral("a0 a100 t100000") << QStringLiteral("...") << QStringLiteral("...");
    QTest::newRow("quiet without failures is no silence") << QStringLiteral("a0 t5000 u5000") << QStringLiteral("..s") << QStringLiteral("..c");
    QTest::newRow("the link coming up starts afresh") << QStringLiteral("a0 u1000 t3000 r4000 t6000 u6500 t6999 t7000")
                                                     << QStringLiteral("..s....s") << QStringLiteral("..c....c");
}

void tst_AnswerWatch::timeline()
{
    QFETCH(QString, events);
    QFETCH(QString, states);
    QFETCH(QString, changes);

    AnswerWatch watch;
    const QStringList steps = events.split(QLatin1Char(' '));
    QCOMPARE(steps.size(), states.size());
    for (int i = 0; i < steps.size(); ++i) {
        const QString &step = steps.at(i);
        const qint64 at = step.mid(1).toLongLong();
        bool changed = false;
        switch (step.at(0).toLatin1()) {
        case 'u': changed = watch.unanswered(at); break;
        case 'a': changed = watch.answered(at); break;
        case 't': changed = watch.tick(at); break;
        case 'r': watch.reset(at); break;
        default: QFAIL("unknown event");
        }
        QVERIFY2(watch.silent() == (states.at(i) == QLatin1Char('s')), qPrintable(step));
        QVERIFY2(changed == (changes.at(i) == QLatin1Char('c')), qPrintable(step));
    }
}

QTEST_GUILESS_MAIN(tst_AnswerWatch)
#include "tst_answerwatch.moc"
