// The toolkit rules of the bars and lists: ranges that run either way, change notices only
// on a real change (from the user or from code), and code that puts an entry into a list.

#include "state/listmodel.h"
#include "state/runtimeerror.h"
#include "state/scrollbarmodel.h"

#include <QtTest>

using namespace la;

class TstControlModels : public QObject
{
    Q_OBJECT

private slots:
    void arrowsMoveTowardTheirEnd_data();
    void arrowsMoveTowardTheirEnd();
    void changeNoticeOnlyOnRealChange();
    void codeOutsideRangeIsAnError();
    void disabledBarIgnoresUser();
    void listTextFromCode();
    void listUserPickAlwaysClicks();
    void listRejectsNonEntries();
};

void TstControlModels::arrowsMoveTowardTheirEnd_data()
{
    // clang-format off
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("bottom");
    QTest::addColumn<int>("small");
    QTest::addColumn<int>("large");
    QTest::addColumn<QString>("clicks"); // t/b: arrows, T/B: page keys
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("changes");
    QTest::newRow("light: top arrow brightens") << 50 << -50 << 1 << 1 << "ttt" << 3 << 3;
    QTest::newRow("light: stops at the top end") << 50 << -50 << 1 << 1 << QString(60, 't') << 50 << 50;
    QTest::newRow("light: stops at the bottom end") << 50 << -50 << 1 << 1 << QString(60, 'b') << -50 << 50;
    QTest::newRow("beam: bottom end -80") << 50 << -80 << 1 << 1 << QString(90, 'b') << -80 << 80;
    QTest::newRow("v-pos: top arrow toward -100") << -100 << 100 << 1 << 1 << "tt" << -2 << 2;
    QTest::newRow("v-pos: bottom arrow toward 100") << -100 << 100 << 1 << 1 << QString(150, 'b') << 100 << 100;
    QTest::newRow("h-pos: ten clicks at 1000 reach -10000") << 10000 << -10000 << 1000 << 10 << QString(10, 'b') << -10000 << 10;
    QTest::newRow("h-pos: an eleventh click changes nothing") << 10000 << -10000 << 1000 << 10 << QString(11, 'b') << -10000 << 10;
    QTest::newRow("h-pos: last step cut at the end") << 10000 << -10000 << 3000 << 10 << "tttt" << 10000 << 4;
    QTest::newRow("h-pos: page keys use the large step") << 10000 << -10000 << 100 << 10 << "BBT" << -10 << 3;
    QTest::newRow("largest step from the far end") << 32767 << -32768 << 32767 << 32767 << "bbttt" << 32767 << 5;
    // clang-format on
}

void TstControlModels::arrowsMoveTowardTheirEnd()
{
    QFETCH(int, top);
    QFETCH(int, bottom);
    QFETCH(int, small);
    QFETCH(int, large);
    QFETCH(QString, clicks);
    QFETCH(int, position);
    QFETCH(int, changes);
    ScrollBarModel bar(top, bottom, small, large);
    bar.setEnabled(true);
    int seen = 0;
    bar.onChange = [&] { ++seen; };
    for (QChar c : clicks) {
        switch (c.toLatin1()) {
        // clang-format off
        case 't': bar.clickTopArrow(); break;
        case 'b': bar.clickBottomArrow(); break;
        case 'T': bar.pageTowardTop(); break;
        case 'B': bar.pageTowardBottom(); break;
            // clang-format on
        }
        QVERIFY(bar.position() <= std::max(top, bottom));
        QVERIFY(bar.position() >= std::min(top, bottom));
    }
    QCOMPARE(bar.position(), position);
    QCOMPARE(seen, changes);
}

void TstControlModels::changeNoticeOnlyOnRealChange()
{
    ScrollBarModel bar(10000, -10000, 100, 10);
    std::vector<int> seen;
    bar.onChange = [&] { seen.push_back(bar.position()); };
    bar.setPosition(0); // already there
    bar.setPosition(-500);
    bar.setPosition(-500);
    bar.setPosition(0);
    QCOMPARE(seen, (std::vector<int>{-500, 0}));
}

void TstControlModels::codeOutsideRangeIsAnError()
{
    ScrollBarModel bar(50, -50, 1, 1);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, bar.setPosition(51));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, bar.setSmallStep(0));
    QCOMPARE(bar.position(), 0);
}

void TstControlModels::disabledBarIgnoresUser()
{
    ScrollBarModel bar(50, -50, 1, 1); // bars start disabled
    bar.clickTopArrow();
    bar.pageTowardBottom();
    QCOMPARE(bar.position(), 0);
    bar.setPosition(7); // code still moves it
    QCOMPARE(bar.position(), 7);
}

void TstControlModels::listTextFromCode()
{
    ListModel list({"001", "010", "100"}, false);
    QStringList clicks;
    list.onClick = [&] { clicks << QString::fromStdString(list.text()); };
    QCOMPARE(list.text(), std::string());
    list.setText("001"); // no selection yet: a change, even while disabled
    list.setText("001"); // already selected: nothing
    list.setText("100");
    QCOMPARE(clicks, (QStringList{"001", "100"}));
    QCOMPARE(list.selectedIndex(), 2);
}

void TstControlModels::listUserPickAlwaysClicks()
{
    ListModel list({"001", "010"});
    int clicks = 0;
    list.onClick = [&] { ++clicks; };
    list.choose(1);
    list.choose(1); // picking the selected entry again is still a pick
    list.choose(5); // no such entry
    QCOMPARE(clicks, 2);
    list.setEnabled(false);
    list.choose(0);
    QCOMPARE(clicks, 2);
    QCOMPARE(list.text(), std::string("010"));
}

void TstControlModels::listRejectsNonEntries()
{
    ListModel list({"001", "010"});
    list.setText("010");
    QVERIFY_THROWS_EXCEPTION(RuntimeError, list.setText("10"));
    QCOMPARE(list.text(), std::string("010"));
}

QTEST_APPLESS_MAIN(TstControlModels)
#include "tst_controlmodels.moc"
