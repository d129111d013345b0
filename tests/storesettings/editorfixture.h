#pragma once

#include "company.h"
#include "data/dm.h"
#include "recordingdialogs.h"

#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace tirelon::test {

// Sends text to a widget one character at a time as key presses carrying that
// character, so characters outside Latin-1 (the euro sign) can be typed too.
void typeText(QWidget* widget, const QString& text);

// A store settings row with the administration URL and the FTP host; the rest NULL.
demo::StoreSettings row(const QString& url, const QString& host = {});

// Rows of CONFIGURA_TIENDAV as the database holds them, read through a connection
// of its own; each row maps column names to values (null values are invalid).
using StoredRow = QMap<QString, QVariant>;

// A company "001" with the ERP tables, a data module connected to it (the global
// fdm), an owner standing in for the access window, and recorded message boxes.
// Runs in a temporary working directory so the error log stays there.
class EditorFixture : public ::testing::Test {
protected:
    EditorFixture();
    ~EditorFixture() override;

    void connectDataModule();
    void addRow(const demo::StoreSettings& row);
    void execute(const QStringList& statements) { folder.execute("001", statements); }
    QList<StoredRow> storedRows() const;
    // How many INSERT or UPDATE statements reached the table since the fixture started.
    int writesSeen() const;
    QStringList boxTexts() const;

    ScopedRecordingDialogs boxes;
    CompanyFolder folder;
    std::unique_ptr<Tfdm> dm;
    // Destroyed before the data module, like the access window.
    std::unique_ptr<QWidget> owner;

private:
    QTemporaryDir workDir_;
    QString previousDir_;
};

} // namespace tirelon::test
