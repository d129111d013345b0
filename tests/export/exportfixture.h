#pragma once

// A company with article photos, an installation folder with IMAGENES that the registry
// file names, the data module connected to the company, a recorder for message boxes and
// a temporary current folder for the error log. Everything is put back afterwards.

#include "company.h"
#include "data/dm.h"
#include "data/fb/connection.h"
#include "demo/companyschema.h"
#include "errorlogreader.h"
#include "export/exporter.h"
#include "platform/registry_fixture.h"
#include "recordingdialogs.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace tirelon::test {

// One row of FOTOS_ARTICULO (with its article, when description is set).
struct PhotoRow {
    QString code;
    int item = 1;
    std::optional<QByteArray> bytes; // nullopt: NULL image
};

// Bytes that look like nothing in particular, the same for the same seed.
inline QByteArray randomBytes(int size, quint32 seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char& c : bytes)
        c = static_cast<char>(generator.bounded(256));
    return bytes;
}

inline QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

// Every regular file below folder, by path relative to it.
inline QStringList filesBelow(const QString& folder) {
    QStringList found;
    const QDir root(folder);
    QList<QString> pending{folder};
    while (!pending.isEmpty()) {
        const QDir dir(pending.takeFirst());
        for (const QFileInfo& info :
             dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
            if (info.isDir())
                pending.append(info.filePath());
            else
                found.append(root.relativeFilePath(info.filePath()));
        }
    }
    found.sort();
    return found;
}

// The article photo record set over the data module's query reader, as the windows
// and the command-line exporter build it.
struct ArticleSet {
    QObject owner;
    TDataSetProvider* provider = new TDataSetProvider(&owner);
    TClientDataSet* articles = new TClientDataSet(&owner);
    explicit ArticleSet(Tfdm& dm) {
        provider->setObjectName("PArticulo");
        provider->setAllowCommandText(true);
        provider->setDataSet(dm.TArticulo);
        articles->setObjectName("CArticulo");
        articles->setProvider(provider);
        declareArticlePhotoFields(articles);
    }
};

class ExportFixture : public ::testing::Test {
protected:
    explicit ExportFixture(ScratchDatabase::Access access = ScratchDatabase::Access::Embedded)
        : folder_(access) {}

    void SetUp() override {
        ASSERT_TRUE(install_.isValid());
        ASSERT_TRUE(cwd_.isValid());
        previousCwd_ = QDir::currentPath();
        QDir::setCurrent(cwd_.path());
        QDir(install_.path()).mkdir("IMAGENES");
        setDirectory(install_.path());
        folder_.addCompany("001");
        dm_ = std::make_unique<Tfdm>();
        fdm = dm_.get();
    }

    void TearDown() override {
        dm_.reset();
        fdm = nullptr;
        QDir::setCurrent(previousCwd_);
    }

    // Writes the registry file with this "Directorio".
    void setDirectory(const QString& directory) {
        QString escaped = directory;
        escaped.replace("\\", "\\\\").replace("\"", "\\\"");
        registry_.write(tirelonKey("\"Directorio\"=\"" + escaped + "\""));
    }
    // A registry file without the key: the installation directory cannot be found.
    void removeKey() { registry_.write(regFile("[HKEY_LOCAL_MACHINE\\Software\\Other]\n")); }

    // Adds articles (once per code) and their photo rows, in the order given.
    void addRows(const QList<PhotoRow>& rows) {
        auto c = folder_.connect("001");
        fb::Transaction t(*c, fb::Transaction::Kind::ReadWrite);
        QStringList articles;
        for (const PhotoRow& row : rows)
            if (!articles.contains(row.code)) {
                articles.append(row.code);
                demo::addArticle(t, row.code, "Articulo " + row.code);
            }
        for (const PhotoRow& row : rows)
            demo::addPhoto(t, row.code, row.item, row.bytes ? &*row.bytes : nullptr);
        t.commit();
    }

    void connect() { dm_->ConectarCompania(folder_.serverEntry(), "001", "SYSDBA", "masterkey"); }

    QString images() const { return install_.path() + "/IMAGENES"; }
    QString image(const QString& name) const { return images() + "/" + name; }
    QStringList errorLogLines() const { return test::errorLogLines(cwd_.path()); }

    ScopedRecordingDialogs dialogs_;
    TemporaryRegistry registry_;
    QTemporaryDir install_;
    QTemporaryDir cwd_;
    QString previousCwd_;
    CompanyFolder folder_;
    std::unique_ptr<Tfdm> dm_;
};

} // namespace tirelon::test
