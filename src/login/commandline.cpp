#include "login/commandline.h"

#include <QCoreApplication>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tirelon {

QStringList unattendedParameters(const QStringList& arguments) {
    QStringList result;
    for (const QString& argument : arguments) {
        if (!argument.isEmpty())
            result.append(argument);
    }
    return result;
}

QStringList splitCommandLine(const QString& commandLine) {
    auto separates = [](QChar c) { return c.unicode() >= 1 && c.unicode() <= 32; };
    QStringList result;
    const qsizetype n = commandLine.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && separates(commandLine.at(i)))
            ++i;
        if (i >= n)
            break;
        QString current;
        bool quoted = false;
        while (i < n && (quoted || !separates(commandLine.at(i)))) {
            const QChar c = commandLine.at(i);
            if (c == u'"')
                quoted = !quoted;
            else
                current.append(c);
            ++i;
        }
        if (!current.isEmpty())
            result.append(current);
    }
    return result;
}

QString parameter(int position) {
#ifdef _WIN32
    const QStringList parameters = splitCommandLine(QString::fromWCharArray(GetCommandLineW()));
#else
    const QStringList parameters = unattendedParameters(QCoreApplication::arguments());
#endif
    return position >= 0 && position < parameters.size() ? parameters.at(position) : QString();
}

} // namespace tirelon
