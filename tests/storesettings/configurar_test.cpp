#include "editorfixture.h"

#include "data/fb/statement.h"
#include "storesettings/configurar.h"
#include "widgets/picturebutton.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

using namespace tirelon;
using tirelon::test::row;
using tirelon::test::typeText;

namespace {

const QString kRequiredUrl =
    "Se presento el siguiente error: Field 'COTV_URLADMIN' must have a value";

demo::StoreSettings full(QString url, QString user, QString password, QString host, QString ftpUser,
                         QString ftpPassword, QString adminDir, QString imagesDir,
                         QString database) {
    demo::StoreSettings s;
    s.urlAdmin = url;
    s.userAdmin = user;
    s.passwordAdmin = password;
    s.ftpHost = host;
    s.ftpUser = ftpUser;
    s.ftpPassword = ftpPassword;
    s.adminDir = adminDir;
    s.imagesDir = imagesDir;
    s.lastDate = QDate(2024, 1, 2);
    s.storeDatabase = database;
    return s;
}

class EditorTest : public test::EditorFixture {
protected:
    // Opens a new editor the way the access window does, owned by it.
    Tfconfigurar* openEditor() {
        auto* editor = new Tfconfigurar(owner.get());
        editor->setWindowFlag(Qt::Window);
        editor->show();
        editor->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(editor));
        return editor;
    }
    // Replaces the text of an edit the way a user does: focus, select all, type.
    static void retype(DBEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        typeText(edit, text);
    }
    static void clickSave(Tfconfigurar* editor) {
        QTest::mouseClick(editor->SpeedButton3, Qt::LeftButton);
    }
};

TEST_F(EditorTest, ShowsTheFirstRowWithTheFocusInTheUrl) {
    addRow(full("http://tienda/admin", "admin", "secreta", "ftp.tienda", "ftpuser", "ftpclave",
                "/admin", "/img", "tiendadb"));
    connectDataModule();
    Tfconfigurar* editor = openEditor();
    EXPECT_EQ(fconfigurar, editor);
    EXPECT_EQ(editor->windowTitle(), "Configuración tienda");
    EXPECT_EQ(editor->focusWidget(), editor->DBEdit1);
    const QList<QPair<DBEdit*, QString>> shown = {{editor->DBEdit1, "http://tienda/admin"},
                                                  {editor->DBEdit2, "admin"},
                                                  {editor->DBEdit3, "secreta"},
                                                  {editor->DBEdit9, "tiendadb"},
                                                  {editor->DBEdit4, "ftp.tienda"},
                                                  {editor->DBEdit5, "ftpuser"},
                                                  {editor->DBEdit6, "ftpclave"},
                                                  {editor->DBEdit7, "/admin"},
                                                  {editor->DBEdit8, "/img"}};
    for (const auto& [edit, text] : shown) {
        EXPECT_EQ(edit->text(), text) << edit->objectName().toStdString();
        EXPECT_EQ(edit->echoMode(), QLineEdit::Normal); // passwords unmasked
    }
    // Tab walks the edits in the designed order.
    QStringList order;
    for (int i = 0; i < 9; ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, QStringList({"DBEdit1", "DBEdit2", "DBEdit3", "DBEdit9", "DBEdit4", "DBEdit5",
                                  "DBEdit6", "DBEdit7", "DBEdit8"}));
}

TEST_F(EditorTest, SaveWithoutAChangeSendsNothingAndCloses) {
    addRow(row("http://tienda", "ftp.tienda"));
    connectDataModule();
    // Typing a value and restoring it by hand is no change either.
    for (const QString& typed : {QString(), QStringLiteral("ftp.tienda")}) {
        Tfconfigurar* editor = openEditor();
        if (!typed.isNull())
            retype(editor->DBEdit4, typed);
        clickSave(editor);
        EXPECT_EQ(editor->CConftienda->changeCount(), 0);
        EXPECT_FALSE(editor->isVisible());
        EXPECT_EQ(editor->result(), QDialog::Accepted);
    }
    EXPECT_EQ(writesSeen(), 0);
    EXPECT_TRUE(boxTexts().isEmpty());
}

TEST_F(EditorTest, ValueTypedWithoutLeavingTheEditIsSaved) {
    auto stored = row("http://tienda", "ftp.tienda");
    stored.imagesDir = "/img";
    addRow(stored);
    connectDataModule();
    Tfconfigurar* editor = openEditor();
    retype(editor->DBEdit8, "/imagenes");
    ASSERT_TRUE(editor->DBEdit8->hasFocus());
    clickSave(editor);
    EXPECT_TRUE(boxTexts().isEmpty()) << boxTexts().join("\n").toStdString();
    EXPECT_FALSE(editor->isVisible());
    const auto rows = storedRows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0]["COTV_DIRIMAGES"].toString(), "/imagenes");
    EXPECT_EQ(rows[0]["COTV_HOSTFTP"].toString(), "ftp.tienda");
    EXPECT_EQ(writesSeen(), 1);
}

TEST_F(EditorTest, EmptyTableGainsARowOnlyWhenTheUrlIsGiven) {
    connectDataModule();
    Tfconfigurar* editor = openEditor();
    EXPECT_EQ(editor->DBEdit1->text(), "");
    retype(editor->DBEdit4, "ftp.nueva");
    clickSave(editor);
    EXPECT_EQ(boxTexts(), QStringList{kRequiredUrl});
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->focusWidget(), editor->DBEdit1);
    EXPECT_EQ(editor->CConftienda->state(), TClientDataSet::State::Insert);
    EXPECT_TRUE(storedRows().isEmpty());

    typeText(editor->DBEdit1, "http://nueva");
    clickSave(editor);
    EXPECT_EQ(boxTexts().size(), 1);
    EXPECT_FALSE(editor->isVisible());
    const auto rows = storedRows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0]["COTV_URLADMIN"].toString(), "http://nueva");
    EXPECT_EQ(rows[0]["COTV_HOSTFTP"].toString(), "ftp.nueva");
    EXPECT_FALSE(rows[0]["COTV_USUARIOADM"].isValid());
}

TEST_F(EditorTest, StoredRowWithoutUrlIsNotSavedUntilOneIsGiven) {
    addRow(row(QString(), "ftp.tienda"));
    connectDataModule();
    Tfconfigurar* editor = openEditor();
    retype(editor->DBEdit5, "ftpuser");
    clickSave(editor);
    EXPECT_EQ(boxTexts(), QStringList{kRequiredUrl});
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->focusWidget(), editor->DBEdit1);
    EXPECT_EQ(writesSeen(), 0);

    typeText(editor->DBEdit1, "http://tienda");
    clickSave(editor);
    EXPECT_FALSE(editor->isVisible());
    const auto rows = storedRows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0]["COTV_URLADMIN"].toString(), "http://tienda");
    EXPECT_EQ(rows[0]["COTV_USUARIOFTP"].toString(), "ftpuser");
}

TEST_F(EditorTest, OnlyTheFirstOfSeveralRowsIsShownAndChanged) {
    addRow(row("http://primera", "ftp.primera"));
    addRow(row("http://segunda", "ftp.segunda"));
    connectDataModule();
    Tfconfigurar* editor = openEditor();
    const QString first = storedRows()[0]["COTV_URLADMIN"].toString();
    EXPECT_EQ(editor->DBEdit1->text(), first);
    retype(editor->DBEdit4, "ftp.cambiada");
    clickSave(editor);
    EXPECT_TRUE(boxTexts().isEmpty()) << boxTexts().join("\n").toStdString();
    QMap<QString, QString> hostByUrl;
    for (const auto& row : storedRows())
        hostByUrl[row["COTV_URLADMIN"].toString()] = row["COTV_HOSTFTP"].toString();
    const QString other = first == "http://primera" ? "http://segunda" : "http://primera";
    EXPECT_EQ(hostByUrl[first], "ftp.cambiada");
    EXPECT_EQ(hostByUrl[other], other == "http://primera" ? "ftp.primera" : "ftp.segunda");
}

TEST_F(EditorTest, SaveLeavesTheDataModuleCopyAloneAndExitRefreshesIt) {
    addRow(row("http://vieja"));
    connectDataModule();
    dm->CConftienda->open();
    Tfconfigurar* editor = openEditor();
    retype(editor->DBEdit1, "http://nueva");
    clickSave(editor);
    ASSERT_EQ(storedRows()[0]["COTV_URLADMIN"].toString(), "http://nueva");
    EXPECT_EQ(dm->CConftienda->asString("COTV_URLADMIN"), "http://vieja");

    Tfconfigurar* second = openEditor();
    QTest::mouseClick(second->SpeedButton2, Qt::LeftButton);
    EXPECT_FALSE(second->isVisible());
    EXPECT_EQ(dm->CConftienda->asString("COTV_URLADMIN"), "http://nueva");
    EXPECT_TRUE(boxTexts().isEmpty());
}

TEST_F(EditorTest, ExitDiscardsTheTypingAndEachOpeningShowsTheDatabase) {
    addRow(row("http://tienda", "ftp.tienda"));
    connectDataModule();
    Tfconfigurar* first = openEditor();
    retype(first->DBEdit4, "ftp.sin-grabar");
    first->DBEdit1->setFocus();
    first->close(); // the frame's close box: neither saves nor discards
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(first->CConftienda->changeCount(), 1);

    Tfconfigurar* second = openEditor();
    EXPECT_NE(second, first);
    EXPECT_EQ(fconfigurar, second);
    EXPECT_EQ(second->DBEdit4->text(), "ftp.tienda");
    retype(second->DBEdit4, "ftp.descartada");
    QTest::mouseClick(second->SpeedButton2, Qt::LeftButton);
    EXPECT_EQ(second->CConftienda->changeCount(), 0);
    EXPECT_EQ(second->DBEdit4->text(), "ftp.tienda");
    EXPECT_EQ(writesSeen(), 0);
    // The owner keeps both, hidden.
    EXPECT_EQ(owner->findChildren<Tfconfigurar*>().size(), 2);
}

TEST_F(EditorTest, KeysF2AndEscDoWhatTheButtonsSay) {
    addRow(row("http://tienda", "ftp.tienda"));
    connectDataModule();
    Tfconfigurar* editor = openEditor();
    retype(editor->DBEdit4, "ftp.uno");
    QTest::keyClick(editor->DBEdit4, Qt::Key_F2);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(storedRows()[0]["COTV_HOSTFTP"].toString(), "ftp.uno");

    // The first Esc restores the edit, the second leaves without saving.
    editor = openEditor();
    retype(editor->DBEdit5, "nadie");
    QTest::keyClick(editor->DBEdit5, Qt::Key_Escape);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->DBEdit5->text(), "");
    retype(editor->DBEdit4, "ftp.dos");
    editor->DBEdit1->setFocus(); // written into the row
    QTest::keyClick(editor->DBEdit1, Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(editor->CConftienda->changeCount(), 0);
    EXPECT_EQ(storedRows()[0]["COTV_HOSTFTP"].toString(), "ftp.uno");
    EXPECT_TRUE(boxTexts().isEmpty());
}

// A save that cannot be written is reported and keeps the editor open with the
// change pending, whatever made the write fail.
struct FailedWrite {
    const char* name;
    QStringList prepare; // run by another connection after the editor has read the row
    QString reported;    // how the box's text begins
};

void PrintTo(const FailedWrite& failedWrite, std::ostream* os) {
    *os << failedWrite.name;
}

class FailedWriteTest : public EditorTest, public ::testing::WithParamInterface<FailedWrite> {};

TEST_P(FailedWriteTest, IsReportedAndTheChangeStaysPending) {
    addRow(row("http://tienda", "ftp.tienda"));
    connectDataModule();
    Tfconfigurar* editor = openEditor();
    execute(GetParam().prepare);
    retype(editor->DBEdit4, "ftp.rechazado");
    const auto before = storedRows();
    clickSave(editor);
    ASSERT_EQ(boxTexts().size(), 1);
    EXPECT_TRUE(boxTexts()[0].startsWith(GetParam().reported)) << boxTexts()[0].toStdString();
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->CConftienda->changeCount(), 1);
    EXPECT_EQ(editor->DBEdit4->text(), "ftp.rechazado");
    EXPECT_EQ(storedRows(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailedWriteTest,
    ::testing::Values(
        FailedWrite{"ChangedMeanwhile",
                    {"UPDATE CONFIGURA_TIENDAV SET COTV_USUARIOFTP = 'otro'"},
                    "Se presento el siguiente error: Record not found or changed by another user"},
        FailedWrite{"RemovedMeanwhile",
                    {"DELETE FROM CONFIGURA_TIENDAV"},
                    "Se presento el siguiente error: Record not found or changed by another user"},
        FailedWrite{"SeveralRowsMatch",
                    {"INSERT INTO CONFIGURA_TIENDAV (COTV_URLADMIN, COTV_HOSTFTP) VALUES "
                     "('http://tienda', 'ftp.tienda')"},
                    "Se presento el siguiente error: Too many records found or changed: 2"},
        FailedWrite{"ServerRejectsTheValue",
                    {"ALTER TABLE CONFIGURA_TIENDAV ADD CONSTRAINT NO_RECHAZADO CHECK "
                     "(COTV_HOSTFTP NOT LIKE '%rechazado%')"},
                    "Se presento el siguiente error: SQL Server Error: Operation violates CHECK "
                    "constraint NO_RECHAZADO"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorTest, ValuesRoundTripExactly) {
    connectDataModule();
    const QString url =
        QString("http://tienda.es/año/€/'comillas'/\"dobles\"/").leftJustified(255, 'x');
    const QString user = QString("ñandú€'\"").leftJustified(25, 'n');
    const QString dir = QString("/imágenes/ÑÇ€").leftJustified(255, 'z');
    const QString db = QString("tienda_ñ").leftJustified(100, '9');
    Tfconfigurar* editor = openEditor();
    retype(editor->DBEdit1, url);
    retype(editor->DBEdit2, user);
    retype(editor->DBEdit8, dir);
    retype(editor->DBEdit9, db);
    clickSave(editor);
    ASSERT_TRUE(boxTexts().isEmpty()) << boxTexts().join("\n").toStdString();
    const auto rows = storedRows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0]["COTV_URLADMIN"].toString(), url);
    EXPECT_EQ(rows[0]["COTV_USUARIOADM"].toString(), user);
    EXPECT_EQ(rows[0]["COTV_DIRIMAGES"].toString(), dir);
    EXPECT_EQ(rows[0]["COTV_DBTIENDA"].toString(), db);

    Tfconfigurar* again = openEditor();
    EXPECT_EQ(again->DBEdit1->text(), url);
    EXPECT_EQ(again->DBEdit2->text(), user);
    EXPECT_EQ(again->DBEdit8->text(), dir);
    EXPECT_EQ(again->DBEdit9->text(), db);
}

TEST_F(EditorTest, NoEditTakesMoreThanItsFieldHolds) {
    connectDataModule();
    Tfconfigurar* editor = openEditor();
    const QList<QPair<DBEdit*, int>> sizes = {
        {editor->DBEdit1, 255}, {editor->DBEdit2, 25},  {editor->DBEdit3, 25},
        {editor->DBEdit9, 100}, {editor->DBEdit4, 255}, {editor->DBEdit5, 25},
        {editor->DBEdit6, 25},  {editor->DBEdit7, 255}, {editor->DBEdit8, 255}};
    for (const auto& [edit, size] : sizes) {
        edit->setFocus();
        QTest::keyClicks(edit, QString(size + 1, 'a'));
        EXPECT_EQ(edit->text().size(), size) << edit->objectName().toStdString();
    }
}

TEST_F(EditorTest, FailedOpenLeavesAnEditorThatCannotSaveOrExit) {
    // A company database without the store settings table: reading it fails.
    execute({"DROP TABLE CONFIGURA_TIENDAV"});
    connectDataModule();
    Tfconfigurar* editor = openEditor();
    ASSERT_EQ(boxes->boxes.size(), 1);
    EXPECT_EQ(boxes->boxes[0].caption, "Error");
    EXPECT_TRUE(boxes->boxes[0].text.contains("CONFIGURA_TIENDAV"))
        << boxes->boxes[0].text.toStdString();
    EXPECT_FALSE(editor->CConftienda->active());
    EXPECT_TRUE(editor->DBEdit1->isReadOnly());
    typeText(editor->DBEdit1, "http://x");
    EXPECT_EQ(editor->DBEdit1->text(), "");
    clickSave(editor);
    QTest::mouseClick(editor->SpeedButton2, Qt::LeftButton);
    const QString closed = "Se presento el siguiente error: Cannot perform this operation on a "
                           "closed dataset";
    EXPECT_EQ(boxTexts().mid(1), QStringList({closed, closed}));
    EXPECT_TRUE(editor->isVisible());
}

TEST_F(EditorTest, WiringReachesTheHiddenEditorsOfTheOwner) {
    addRow(row("http://tienda", "ftp.tienda"));
    connectDataModule();
    Tfconfigurar* editors[] = {openEditor(), openEditor()};
    for (Tfconfigurar* e : editors)
        e->close();
    dm->ConfigurarProviders(owner.get());
    for (Tfconfigurar* e : editors) {
        EXPECT_EQ(e->CConftienda->packetRecords(), 1000);
        EXPECT_TRUE(e->CConftienda->hasPostErrorHandler());
    }
    // A wired editor's failures come through the central handler's record and
    // update rules, once each.
    Tfconfigurar* wired = editors[0];
    wired->CConftienda->edit();
    wired->CConftienda->setValue("COTV_URLADMIN", QVariant());
    wired->SpeedButton3Click();
    EXPECT_EQ(boxTexts(), QStringList{"Los campos COTV_URLADMIN,  son obligatorios."});
    wired->CConftienda->cancel();

    execute({"UPDATE CONFIGURA_TIENDAV SET COTV_USUARIOFTP = 'otro'"});
    wired->CConftienda->edit();
    wired->CConftienda->setValue("COTV_HOSTFTP", "ftp.cambiada");
    wired->SpeedButton3Click();
    EXPECT_EQ(boxTexts().mid(1), QStringList{"Record not found or changed by another user"});
    EXPECT_EQ(wired->CConftienda->changeCount(), 1);
}

TEST_F(EditorTest, ScreenshotShowsEveryEditWithItsLabel) {
    addRow(full("http://tienda.ejemplo.es/admin", "admin", "secreta", "ftp.tienda.ejemplo.es",
                "ftpuser", "ftpclave", "/public_html/admin", "/public_html/img/p", "tienda"));
    connectDataModule();
    Tfconfigurar* editor = openEditor();
    for (DBEdit* edit : editor->findChildren<DBEdit*>()) {
        EXPECT_EQ(edit->visibleRegion().boundingRect(), edit->rect())
            << edit->objectName().toStdString();
        auto* label = qobject_cast<QLabel*>(edit->parentWidget()->findChildren<QLabel*>().at(0));
        ASSERT_TRUE(label);
    }
    for (QLabel* label : editor->findChildren<QLabel*>()) {
        ASSERT_TRUE(label->buddy()) << label->objectName().toStdString();
        EXPECT_EQ(label->visibleRegion().boundingRect(), label->rect())
            << label->objectName().toStdString();
        // A label never runs into the edit beside it.
        const QRect labelBox = label->geometry();
        for (DBEdit* edit : label->parentWidget()->findChildren<DBEdit*>())
            EXPECT_FALSE(labelBox.intersects(edit->geometry()))
                << label->objectName().toStdString() << " over "
                << edit->objectName().toStdString();
    }
    QDir dir(QStringLiteral(TIRELON_SCREENSHOT_DIR));
    dir.mkpath(".");
    ASSERT_TRUE(editor->grab().save(dir.filePath("configurar.png")));
}

} // namespace
