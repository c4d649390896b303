// Qt's failure to start its platform in our words, and Qt's other messages passed on as Qt
// gave them when the platform starts. (The failure itself, status 1 and no core dump, is
// tested on the whole program by tests/e2e/e2e.sh bad-input.)

#include "ui/displaycheck.h"

#include <QLoggingCategory>
#include <QtTest>

using namespace la;

namespace {

Q_LOGGING_CATEGORY(lcPlatform, "qt.qpa.test")

QStringList received; // "category: text", as the handler before the check got them

void record(QtMsgType, const QMessageLogContext &context, const QString &text)
{
    received.append(QString::fromLatin1(context.category) + QStringLiteral(": ") + text);
}

const QString NotLoaded = QStringLiteral(
    "Could not load the Qt platform plugin \"xcb\" in \"\" even though it was found.");
const QString QtFatal = QStringLiteral(
    "This application failed to start because no Qt platform plugin could be initialized. "
    "Reinstalling the application may fix this problem.\n\nAvailable platform plugins are: xcb.");

} // namespace

class TstDisplayCheck : public QObject
{
    Q_OBJECT

private slots:
    void messagesPassOn();
    void problem_data();
    void problem();
};

void TstDisplayCheck::messagesPassOn()
{
    received.clear();
    const QtMessageHandler outer = qInstallMessageHandler(record);
    {
        DisplayCheck check("tst_displaycheck");
        qWarning("first");
        qCWarning(lcPlatform, "second");
        QVERIFY(received.isEmpty()); // held while the platform starts
        check.passed();
        QCOMPARE(received, QStringList({"default: first", "qt.qpa.test: second"}));
        qWarning("after");
    }
    qInstallMessageHandler(outer);
    QCOMPARE(received.size(), 3);
    QCOMPARE(received.last(), QString("default: after"));
}

void TstDisplayCheck::problem_data()
{
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("platform"); // QT_QPA_PLATFORM
    QTest::addColumn<QStringList>("said");
    QTest::addColumn<QString>("why");

    QTest::newRow("nothing answers at DISPLAY")
        << QByteArray(":77") << QByteArray("xcb")
        << QStringList{"could not connect to display :77", NotLoaded}
        << "could not connect to display :77";
    QTest::newRow("DISPLAY not set")
        << QByteArray() << QByteArray()
        << QStringList{"Could not find the Qt platform plugin \"wayland\" in \"\"",
                       "could not connect to display ", NotLoaded}
        << "could not find the Qt platform plugin \"wayland\" in \"\"; could not connect to "
           "display; DISPLAY is not set";
    QTest::newRow("a platform that does not exist")
        << QByteArray(":0") << QByteArray("bogus")
        << QStringList{"Could not find the Qt platform plugin \"bogus\" in \"\""}
        << "could not find the Qt platform plugin \"bogus\" in \"\" (QT_QPA_PLATFORM is "
           "'bogus': unset it, or name xcb or offscreen)";
    QTest::newRow("only the plugin that did not load")
        << QByteArray(":0") << QByteArray() << QStringList{NotLoaded}
        << "could not load the Qt platform plugin \"xcb\" in \"\" even though it was found";
    QTest::newRow("nothing said before the fatal message")
        << QByteArray(":0") << QByteArray() << QStringList{}
        << "this application failed to start because no Qt platform plugin could be "
           "initialized";
}

void TstDisplayCheck::problem()
{
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, platform);
    QFETCH(QStringList, said);
    QFETCH(QString, why);
    const QByteArray savedDisplay = qgetenv("DISPLAY"), savedPlatform = qgetenv("QT_QPA_PLATFORM");
    auto set = [](const char *name, const QByteArray &value) {
        value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
    };
    set("DISPLAY", display);
    set("QT_QPA_PLATFORM", platform);
    const QString line = displayProblem(said, QtFatal);
    set("DISPLAY", savedDisplay);
    set("QT_QPA_PLATFORM", savedPlatform);
    QCOMPARE(line, "no display to open the window on: " + why +
                       ". Start it from a desktop session, or under xvfb-run.");
}

QTEST_APPLESS_MAIN(TstDisplayCheck)
#include "tst_displaycheck.moc"
