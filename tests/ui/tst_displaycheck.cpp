// Whether the window can open where the environment points, asked before Qt would abort:
// each way the display can be missing gets our own one line, and a display that answers
// lets the program start.

#include "ui/displaycheck.h"

#include <QtTest>

#include <cstddef>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace la;

namespace {

const char *const Variables[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                                 "XDG_SESSION_TYPE"};

// An X display of our own: a listening socket where X clients look for display :n.
struct FakeXServer
{
    int number = 0;
    int fd = -1;

    FakeXServer()
    {
        for (number = 4200 + int(::getpid() % 500); number < 6000; ++number) {
            fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
            std::memcpy(address.sun_path + 1, path.data(), path.size()); // abstract
            const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + path.size());
            if (::bind(fd, reinterpret_cast<sockaddr *>(&address), length) == 0 &&
                ::listen(fd, 4) == 0)
                return;
            ::close(fd);
            fd = -1;
        }
    }
    ~FakeXServer() { ::close(fd); }
};

} // namespace

class TstDisplayCheck : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void problems_data();
    void problems();

private:
    QList<QPair<QByteArray, QByteArray>> m_saved;
};

void TstDisplayCheck::init()
{
    m_saved.clear();
    for (const char *name : Variables) {
        m_saved.append({name, qgetenv(name)});
        qunsetenv(name);
    }
}

void TstDisplayCheck::cleanup()
{
    for (const auto &[name, value] : m_saved) {
        if (value.isEmpty())
            qunsetenv(name.constData());
        else
            qputenv(name.constData(), value);
    }
}

void TstDisplayCheck::problems_data()
{
    // Each row: variables to set ("%X" stands for a display that answers, "%N" for one that
    // does not), and what the message says, or "" where the window may open.
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("says");
    QTest::newRow("nothing set") << QStringList{} << "DISPLAY is not set";
    QTest::newRow("an X display that answers") << QStringList{"DISPLAY=%X"} << "";
    QTest::newRow("an X display nobody serves")
        << QStringList{"DISPLAY=%N"} << "nothing answers at the X display %N";
    QTest::newRow("a screen of an X display that answers") << QStringList{"DISPLAY=%X.0"} << "";
    QTest::newRow("DISPLAY that names none")
        << QStringList{"DISPLAY=nonsense"} << "DISPLAY is 'nonsense', which names no X display";
    QTest::newRow("a stale Wayland display alone")
        << QStringList{"WAYLAND_DISPLAY=wayland-stale"} << "DISPLAY is not set";
    QTest::newRow("a platform that does not exist")
        << QStringList{"QT_QPA_PLATFORM=bogus", "DISPLAY=%X"}
        << "there is no Qt platform 'bogus' here (QT_QPA_PLATFORM is 'bogus': unset it, or name "
           "xcb or offscreen)";
    QTest::newRow("offscreen needs no display") << QStringList{"QT_QPA_PLATFORM=offscreen"} << "";
    QTest::newRow("xcb first, offscreen to fall back on")
        << QStringList{"QT_QPA_PLATFORM=xcb;offscreen"} << "";
    QTest::newRow("a Wayland session falls back on X")
        << QStringList{"XDG_SESSION_TYPE=wayland", "WAYLAND_DISPLAY=wayland-stale", "DISPLAY=%X"}
        << "";
}

void TstDisplayCheck::problems()
{
    QFETCH(QStringList, environment);
    QFETCH(QString, says);
    const FakeXServer server;
    QVERIFY(server.fd >= 0);
    const QString answers = ":" + QString::number(server.number);
    const QString silent = ":" + QString::number(server.number + 1);
    auto fill = [&](QString text) { return text.replace("%X", answers).replace("%N", silent); };
    for (const QString &assignment : environment) {
        const QString value = fill(assignment);
        qputenv(value.section('=', 0, 0).toLatin1(), value.section('=', 1).toLatin1());
    }
    const QString problem = QString::fromStdString(displayProblem());
    if (says.isEmpty()) {
        QCOMPARE(problem, QString());
    } else {
        QVERIFY2(problem.startsWith("no display to open the window on: "), qPrintable(problem));
        QVERIFY2(problem.contains(fill(says)), qPrintable(problem));
        QVERIFY(problem.endsWith(". Start it from a desktop session, or under xvfb-run."));
    }
}

QTEST_APPLESS_MAIN(TstDisplayCheck)
#include "tst_displaycheck.moc"
