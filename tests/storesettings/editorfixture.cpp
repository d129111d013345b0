#include "editorfixture.h"

#include "data/fb/statement.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>

namespace tirelon::test {

void typeText(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}

demo::StoreSettings row(const QString& url, const QString& host) {
    demo::StoreSettings s;
    s.urlAdmin = url;
    s.ftpHost = host;
    return s;
}

EditorFixture::EditorFixture() : previousDir_(QDir::currentPath()) {
    QDir::setCurrent(workDir_.path());
    folder.addCompany("001");
    // Every write to the store settings table leaves a mark, so a test can tell
    // that nothing was sent.
    execute({"CREATE TABLE WRITES_SEEN (KIND VARCHAR(10))",
             "CREATE TRIGGER CONFIGURA_TIENDAV_SEEN FOR CONFIGURA_TIENDAV AFTER INSERT OR UPDATE "
             "AS BEGIN INSERT INTO WRITES_SEEN VALUES (CASE WHEN INSERTING THEN 'INSERT' ELSE "
             "'UPDATE' END); END"});
    dm = std::make_unique<Tfdm>();
    fdm = dm.get();
    owner = std::make_unique<QWidget>();
    owner->setObjectName("facceso");
}

EditorFixture::~EditorFixture() {
    owner.reset();
    dm.reset();
    QDir::setCurrent(previousDir_);
}

void EditorFixture::connectDataModule() {
    dm->ConectarCompania(folder.serverEntry(), "001", "SYSDBA", "masterkey");
}

void EditorFixture::addRow(const demo::StoreSettings& row) {
    auto c = folder.connect("001");
    auto t = c->startTransaction(fb::Transaction::Kind::ReadWrite);
    demo::addStoreSettingsRow(*t, row);
    fb::Statement(*t, "DELETE FROM WRITES_SEEN").execute(); // the fixture's own row
    t->commit();
}

QList<StoredRow> EditorFixture::storedRows() const {
    auto c = folder.connect("001");
    auto t = c->startTransaction(fb::Transaction::Kind::ReadOnly);
    fb::Statement s(*t, "SELECT * FROM CONFIGURA_TIENDAV");
    s.openCursor();
    QList<StoredRow> rows;
    QVariantList values;
    while (s.fetch(values)) {
        StoredRow row;
        for (std::size_t i = 0; i < s.columns().size(); ++i)
            row.insert(s.columns()[i].name, values.value(static_cast<int>(i)));
        rows.append(row);
    }
    return rows;
}

int EditorFixture::writesSeen() const {
    auto c = folder.connect("001");
    auto t = c->startTransaction(fb::Transaction::Kind::ReadOnly);
    fb::Statement s(*t, "SELECT COUNT(*) FROM WRITES_SEEN");
    s.openCursor();
    QVariantList values;
    s.fetch(values);
    return values.value(0).toInt();
}

QStringList EditorFixture::boxTexts() const {
    QStringList texts;
    for (const auto& box : boxes->boxes)
        texts << box.text;
    return texts;
}

} // namespace tirelon::test
