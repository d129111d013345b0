#pragma once

// A registry file in a temporary folder that the file backend reads while the
// object lives: TIRELON_REGISTRY points at it and is put back afterwards.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace tirelon::test {

// A version 5 file (UTF-8, LF) with the given lines after the header.
inline QByteArray regFile(const QString& body) {
    return QByteArrayLiteral("Windows Registry Editor Version 5.00\n\n") + body.toUtf8();
}

inline QByteArray tirelonKey(const QString& valueLine) {
    return regFile(QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Dravik\\TirelonERP2024]\n") +
                   valueLine + u'\n');
}

class TemporaryRegistry {
public:
    TemporaryRegistry() : path_(dir_.filePath(QStringLiteral("registry.reg"))) {
        hadPrevious_ = qEnvironmentVariableIsSet("TIRELON_REGISTRY");
        previous_ = qgetenv("TIRELON_REGISTRY");
        qputenv("TIRELON_REGISTRY", QFile::encodeName(path_));
    }
    ~TemporaryRegistry() {
        if (hadPrevious_)
            qputenv("TIRELON_REGISTRY", previous_);
        else
            qunsetenv("TIRELON_REGISTRY");
    }
    TemporaryRegistry(const TemporaryRegistry&) = delete;
    TemporaryRegistry& operator=(const TemporaryRegistry&) = delete;

    const QString& path() const { return path_; }

    // Rewrites the file in place: same inode.
    void write(const QByteArray& bytes) const {
        QFile file(path_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    // Writes a new file and renames it over the old one: a new inode.
    void replace(const QByteArray& bytes) const {
        QSaveFile file(path_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
        ASSERT_TRUE(file.commit());
    }

    void remove() const { ASSERT_TRUE(QFile::remove(path_)); }

    // Sets the modification time, leaving the content alone.
    void setModified(time_t seconds, long nanoseconds) const {
        const struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path_).constData(), times, 0), 0);
    }

private:
    QTemporaryDir dir_;
    QString path_;
    QByteArray previous_;
    bool hadPrevious_ = false;
};

} // namespace tirelon::test
