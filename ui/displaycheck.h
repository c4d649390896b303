#pragma once

#include <QString>
#include <QStringList>

namespace la {

// Qt aborts with a core dump when its platform cannot start: no display answers, or there
// is no such platform. While a DisplayCheck lives, Qt's fatal message then becomes the
// program's own one line on standard error and exit status 1. Qt's other messages meanwhile
// are held back, so that a failure says that one line only, and passed on as Qt prints
// them once the platform has started. Make one before the QApplication and call passed()
// once the QApplication exists.
class DisplayCheck
{
public:
    explicit DisplayCheck(const char *program);
    ~DisplayCheck();
    DisplayCheck(const DisplayCheck &) = delete;
    DisplayCheck &operator=(const DisplayCheck &) = delete;

    // The platform has started: Qt's messages go where they went before, the held ones first.
    void passed();
};

// The line for a platform that could not start, from what Qt said on the way there (the
// messages of its platform categories, qt.qpa.*) and its fatal message.
QString displayProblem(const QStringList &said, const QString &fatal);

} // namespace la
