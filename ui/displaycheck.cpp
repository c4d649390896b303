#include "ui/displaycheck.h"

#include <QByteArray>
#include <QList>

#include <cstdio>
#include <mutex>
#include <unistd.h>
#include <utility>

namespace la {

namespace {

// A message held back while the platform starts, with what its context pointed to.
struct Held
{
    QtMsgType type;
    QByteArray file, function, category;
    int line;
    QString text;
};

std::mutex heldGuard;
QList<Held> held;
const char *programName = "";
QtMessageHandler before = nullptr;
bool checking = false;

void onMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    const std::lock_guard lock(heldGuard);
    if (type != QtFatalMsg) {
        held.append({type, context.file, context.function, context.category, context.line, text});
        return;
    }
    QStringList said;
    for (const Held &message : std::as_const(held))
        if (message.category.startsWith("qt.qpa"))
            said.append(message.text);
    const QString line = displayProblem(said, text);
    std::fprintf(stderr, "%s: %s\n", programName, line.toLocal8Bit().constData());
    ::_exit(1); // instead of Qt's abort, which would leave a core dump
}

// The first line of Qt's words, as a clause of ours: no trailing full stop, lower case first.
QString clause(const QString &text)
{
    QString part = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    if (part.endsWith(QLatin1Char('.')))
        part.chop(1);
    if (!part.isEmpty())
        part[0] = part[0].toLower();
    return part;
}

} // namespace

DisplayCheck::DisplayCheck(const char *program)
{
    programName = program;
    checking = true;
    before = qInstallMessageHandler(onMessage);
}

DisplayCheck::~DisplayCheck()
{
    passed();
}

void DisplayCheck::passed()
{
    if (!checking)
        return;
    checking = false;
    qInstallMessageHandler(before);
    QList<Held> messages;
    {
        const std::lock_guard lock(heldGuard);
        messages.swap(held);
    }
    for (const Held &m : std::as_const(messages)) {
        const QMessageLogContext context(m.file.isNull() ? nullptr : m.file.constData(), m.line,
                                         m.function.isNull() ? nullptr : m.function.constData(),
                                         m.category.isNull() ? nullptr : m.category.constData());
        before(m.type, context, m.text);
    }
}

QString displayProblem(const QStringList &said, const QString &fatal)
{
    // Qt's plugin loader adds that a plugin it found did not load; the plugin's own message
    // before it says why.
    const QString notLoaded = QStringLiteral("could not load the Qt platform plugin");
    const QString notFound = QStringLiteral("could not find the Qt platform plugin");
    QStringList reasons, consequences;
    bool unknownPlatform = false;
    for (const QString &message : said) {
        const QString reason = clause(message);
        unknownPlatform = unknownPlatform || reason.startsWith(notFound);
        if (!reason.isEmpty())
            (reason.startsWith(notLoaded) ? consequences : reasons).append(reason);
    }
    if (reasons.isEmpty())
        reasons = consequences;
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        reasons.append(QStringLiteral("DISPLAY is not set"));
    if (reasons.isEmpty()) // Qt's own words then: their first sentence, without its advice
        reasons.append(clause(fatal.section(QStringLiteral(". "), 0, 0)));
    QString why = reasons.join(QStringLiteral("; "));
    if (const QString asked = qEnvironmentVariable("QT_QPA_PLATFORM");
        unknownPlatform && !asked.isEmpty())
        why += QStringLiteral(" (QT_QPA_PLATFORM is '%1': unset it, or name xcb or offscreen)")
                   .arg(asked);
    return QStringLiteral("no display to open the window on: ") + why +
           QStringLiteral(". Start it from a desktop session, or under xvfb-run.");
}

} // namespace la
