#include "login/acceso.h"

#include "data/dm.h"
#include "data/fb/statement.h"
#include "demo/companyschema.h"
#include "export/muestratienda.h"
#include "platform/registry_fixture.h"
#include "storesettings/configurar.h"
#include "support/company.h"
#include "support/errorlogreader.h"
#include "support/recordingdialogs.h"
#include "widgets/picturebutton.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace tirelon {
namespace {

using test::CompanyFolder;
using test::ScratchDatabase;

// Closes every modal window that comes up (the export window, an editor) and
// remembers its class, so a test that opens one never blocks.
class ModalCloser {
public:
    ModalCloser() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                seen.append(QString::fromLatin1(modal->metaObject()->className()));
                modal->close();
            }
        });
        timer_.start(20);
    }
    QStringList seen;

private:
    QTimer timer_;
};

// A company folder, an installation directory whose SERVIDORES.cfg names it, the
// registry pointing there, a temporary current folder for the error log, and the
// data module; the window is made by each test.
class AccessWindow : public ::testing::Test {
protected:
    explicit AccessWindow(ScratchDatabase::Access access = ScratchDatabase::Access::Embedded)
        : companies(access) {}

    void SetUp() override {
        previousFolder_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(workFolder.path()));
        registry.write(test::tirelonKey("\"Directorio\"=\"" + installFolder.path() + "\""));
        writeServerList({companies.serverEntry()});
        dm = std::make_unique<Tfdm>();
        fdm = dm.get();
    }

    void TearDown() override {
        window.reset();
        dm.reset();
        QDir::setCurrent(previousFolder_);
    }

    void writeServerList(const QStringList& entries) {
        QFile file(installFolder.path() + "/SERVIDORES.cfg");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const QString& e : entries)
            file.write(e.toLatin1() + "\r\n");
    }

    void addCompany(const QString& code, const QDate& storeDate) {
        companies.addCompany(code);
        auto c = companies.connect(code);
        auto t = c->startTransaction(fb::Transaction::Kind::ReadWrite);
        demo::setStoreSettings(*t,
                               {"http://tienda/admin", {}, {}, {}, {}, {}, {}, {}, storeDate, {}});
        t->commit();
    }

    void openWindow() {
        window = std::make_unique<Tfacceso>();
        facceso = window.get();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QCoreApplication::processEvents(); // the deferred activation step
    }

    void fillLogIn(const QString& user, const QString& password, const QString& company) {
        window->Tusua->setText(user);
        window->TClave->setText(password);
        window->Cia->setText(company);
    }

    // Types into Cia and leaves it with Tab, as a user does.
    void leaveCompanyField() {
        window->Cia->setFocus();
        QTest::keyClick(window->Cia, Qt::Key_Tab);
    }

    QString database() const { return fdm->Tirelon->params().value("Database"); }

    void expectNotConnectedYet() const {
        EXPECT_FALSE(window->SpeedButton1->isEnabled());
        EXPECT_FALSE(window->SpeedButton3->isEnabled());
        EXPECT_FALSE(window->EFecIni->isEnabled());
    }

    void screenshot(const QString& name) const {
        const QString dir =
            qEnvironmentVariable("TIRELON_BIN_DIR", QDir::tempPath()) + "/../screenshots";
        QDir().mkpath(dir);
        EXPECT_TRUE(window->grab().save(dir + "/" + name + ".png"));
    }

    test::ScopedRecordingDialogs boxes;
    QTemporaryDir workFolder;
    QTemporaryDir installFolder;
    test::TemporaryRegistry registry;
    CompanyFolder companies;
    std::unique_ptr<Tfdm> dm;
    std::unique_ptr<Tfacceso> window;

private:
    QString previousFolder_;
};

TEST_F(AccessWindow, StartsAsDesigned) {
    openWindow();
    EXPECT_EQ(window->windowTitle(), "Exportar imágenes");
    EXPECT_EQ(window->frameGeometry().size(), Tfacceso::kOuterSize);
    ASSERT_EQ(window->Servidor->count(), 1);
    EXPECT_EQ(window->Servidor->currentText(), companies.serverEntry());
    EXPECT_EQ(QApplication::focusWidget(), window->Servidor);
    EXPECT_EQ(window->EFecIni->date(), QDate(2003, 1, 20));
    expectNotConnectedYet();
    EXPECT_TRUE(window->SpeedButton2->isEnabled());
    EXPECT_FALSE(window->Panel5->isVisible());
    EXPECT_EQ(window->Panel5->geometry(), QRect(8, 76, 337, 41));
    EXPECT_EQ(window->Cia->width(), 45);
    EXPECT_EQ(window->SpeedButton1->size(), QSize(65, 50));
    window->TClave->setText("clave");
    EXPECT_EQ(window->TClave->displayText(), "*****");
    EXPECT_TRUE(boxes->boxes.isEmpty());
    screenshot("acceso-inicio");
}

TEST_F(AccessWindow, EnterMovesFromFieldToFieldAndIsSwallowed) {
    openWindow();
    QSignalSpy returns(window->Tusua, &QLineEdit::returnPressed);
    const QList<QWidget*> order{window->Servidor, window->Tusua, window->TClave, window->Cia,
                                window->Servidor};
    for (int i = 0; i + 1 < order.size(); ++i) {
        ASSERT_EQ(QApplication::focusWidget(), order[i]) << i;
        QTest::keyClick(order[i], i % 2 ? Qt::Key_Enter : Qt::Key_Return);
    }
    EXPECT_EQ(QApplication::focusWidget(), order.last());
    EXPECT_EQ(returns.count(), 0);
}

TEST_F(AccessWindow, LeavingCompanyWithAFieldEmptyDoesNothing) {
    addCompany("001", {2024, 3, 15});
    openWindow();
    const QString placeholder = database();
    const QStringList cases[] = {
        {"SYSDBA", "masterkey", ""}, {"", "masterkey", "001"}, {"SYSDBA", "", "001"}};
    for (const QStringList& c : cases) {
        fillLogIn(c[0], c[1], c[2]);
        leaveCompanyField();
        EXPECT_FALSE(window->Panel5->isVisible()) << c.join('|').toStdString();
        EXPECT_EQ(database(), placeholder);
        expectNotConnectedYet();
    }
    EXPECT_TRUE(boxes->boxes.isEmpty());
    EXPECT_TRUE(test::errorLogEntries(workFolder.path()).isEmpty());
}

TEST_F(AccessWindow, ConnectShowsTheStoreDateAndEnablesTheButtons) {
    addCompany("001", {2024, 3, 15});
    addCompany("002", {2020, 1, 1});
    openWindow();
    screenshot("acceso-antes");
    fillLogIn("SYSDBA", "masterkey", "001");
    window->Cia->setFocus();
    QTest::keyClick(window->Cia, Qt::Key_Return);

    EXPECT_TRUE(boxes->boxes.isEmpty()) << boxes->boxes.value(0).text.toStdString();
    EXPECT_EQ(fdm->Tirelon->state(), fb::ConnectionState::Open);
    EXPECT_EQ(database(), companies.serverEntry() + "/datos/001/tirelon.fdb");
    EXPECT_EQ(QApplication::focusWidget(), window->EFecIni);
    EXPECT_TRUE(window->EFecIni->isEnabled());
    EXPECT_EQ(window->EFecIni->date(), QDate(2024, 3, 15));
    EXPECT_TRUE(window->SpeedButton1->isEnabled());
    EXPECT_TRUE(window->SpeedButton3->isEnabled());
    EXPECT_FALSE(window->Panel5->isVisible());
    EXPECT_EQ(window->Panel5->text(), "Conectando a la base de datos 001 ...");
    screenshot("acceso-conectado");

    // Another company: the data module's copy keeps the rows it read first.
    window->Cia->setText("002");
    leaveCompanyField();
    EXPECT_TRUE(boxes->boxes.isEmpty());
    EXPECT_EQ(database(), companies.serverEntry() + "/datos/002/tirelon.fdb");
    EXPECT_EQ(fdm->Tirelon->state(), fb::ConnectionState::Open);
    EXPECT_EQ(window->EFecIni->date(), QDate(2024, 3, 15));
}

TEST_F(AccessWindow, DeactivationIsNoExitFromTheCompanyField) {
    addCompany("001", {2024, 3, 15});
    openWindow();
    fillLogIn("SYSDBA", "masterkey", "001");
    window->Cia->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), window->Cia);

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(fdm->Tirelon->state(), fb::ConnectionState::Closed);
    EXPECT_FALSE(window->Panel5->isVisible());

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(fdm->Tirelon->state(), fb::ConnectionState::Closed);
    // A click into another field is an exit.
    QTest::mouseClick(window->Tusua, Qt::LeftButton);
    EXPECT_EQ(fdm->Tirelon->state(), fb::ConnectionState::Open);
    EXPECT_EQ(QApplication::focusWidget(), window->EFecIni);
}

TEST_F(AccessWindow, EmptyStoreSettingsShowDayZero) {
    companies.addCompany("001");
    openWindow();
    fillLogIn("SYSDBA", "masterkey", "001");
    leaveCompanyField();
    EXPECT_TRUE(boxes->boxes.isEmpty());
    EXPECT_EQ(window->EFecIni->date(), QDate(1899, 12, 30));
    EXPECT_TRUE(window->SpeedButton1->isEnabled());
}

TEST_F(AccessWindow, MissingStoreSettingsTableLeavesTheButtonsAlone) {
    companies.addCompany("001");
    companies.execute("001", {"DROP TABLE CONFIGURA_TIENDAV"});
    openWindow();
    fillLogIn("SYSDBA", "masterkey", "001");
    leaveCompanyField();
    ASSERT_EQ(boxes->boxes.size(), 1);
    EXPECT_EQ(boxes->boxes[0].kind, "error");
    EXPECT_EQ(test::errorLogEntries(workFolder.path()).size(), 1);
    EXPECT_EQ(fdm->Tirelon->state(), fb::ConnectionState::Open);
    EXPECT_FALSE(window->Panel5->isVisible());
    EXPECT_TRUE(window->EFecIni->isEnabled());
    EXPECT_EQ(window->EFecIni->date(), QDate::currentDate());
    EXPECT_FALSE(window->SpeedButton1->isEnabled());
    EXPECT_FALSE(window->SpeedButton3->isEnabled());
}

TEST_F(AccessWindow, NoServerEntriesGiveAPathFromTheRoot) {
    QFile::remove(installFolder.path() + "/SERVIDORES.cfg");
    openWindow();
    EXPECT_EQ(window->Servidor->count(), 0);
    fillLogIn("SYSDBA", "masterkey", "001");
    leaveCompanyField();
    EXPECT_EQ(database(), "/datos/001/tirelon.fdb");
    EXPECT_EQ(boxes->boxes.size(), 1); // no such database
    EXPECT_TRUE(window->Panel5->isVisible());
    screenshot("acceso-fallo");
}

TEST_F(AccessWindow, RegistryValueOfTheWrongTypeKeepsTheFirstEntry) {
    registry.write(test::tirelonKey("\"Directorio\"=dword:00000001"));
    openWindow();
    ASSERT_EQ(boxes->boxes.size(), 1);
    EXPECT_EQ(boxes->boxes[0].kind, "error");
    ASSERT_EQ(window->Servidor->count(), 1);
    EXPECT_EQ(window->Servidor->currentText(), "c:\\tirelon");
}

TEST_F(AccessWindow, KeysWithAModifierDoNothing) {
    addCompany("001", {2024, 3, 15});
    openWindow();
    fillLogIn("SYSDBA", "masterkey", "001");
    leaveCompanyField();
    ASSERT_TRUE(window->SpeedButton1->isEnabled());
    ModalCloser modals;
    for (Qt::Key key : {Qt::Key_F5, Qt::Key_Escape, Qt::Key_F9}) {
        for (Qt::KeyboardModifier modifier :
             {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
            QTest::keyClick(window->Tusua, key, modifier);
            EXPECT_TRUE(window->isVisible()) << key << " " << modifier;
        }
    }
    EXPECT_TRUE(modals.seen.isEmpty());
    EXPECT_TRUE(window->findChildren<Tfmuestratienda*>().isEmpty());
}

TEST_F(AccessWindow, F5BeforeAConnectDoesNothing) {
    addCompany("001", {2024, 3, 15});
    openWindow();
    fillLogIn("SYSDBA", "masterkey", "001");
    window->Tusua->setFocus();
    ModalCloser modals;
    QTest::keyClick(window->Tusua, Qt::Key_F5);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(modals.seen.isEmpty());
    EXPECT_TRUE(window->findChildren<Tfmuestratienda*>().isEmpty());
    EXPECT_EQ(fdm->Tirelon->state(), fb::ConnectionState::Closed);
}

TEST_F(AccessWindow, EscClosesTheWindow) {
    openWindow();
    QTest::keyClick(window->Tusua, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(AccessWindow, F5ExportsAndThenClosesTheWindow) {
    addCompany("001", {2024, 3, 15});
    const QByteArray photo = demo::productPhoto("A1", 1, 120);
    {
        auto c = companies.connect("001");
        auto t = c->startTransaction(fb::Transaction::Kind::ReadWrite);
        demo::addArticle(*t, "A1", "Mesa");
        demo::addPhoto(*t, "A1", 1, &photo);
        t->commit();
    }
    ASSERT_TRUE(QDir(installFolder.path()).mkdir("IMAGENES"));
    openWindow();
    fillLogIn("SYSDBA", "masterkey", "001");
    leaveCompanyField();
    ModalCloser modals;
    QTest::keyClick(window->EFecIni, Qt::Key_F5);

    EXPECT_TRUE(boxes->boxes.isEmpty()) << boxes->boxes.value(0).text.toStdString();
    // The export window came up (and nothing else did).
    ASSERT_FALSE(modals.seen.isEmpty());
    EXPECT_EQ(modals.seen.count("tirelon::Tfmuestratienda"), modals.seen.size())
        << modals.seen.join(",").toStdString();
    EXPECT_FALSE(window->isVisible());
    ASSERT_NE(fmuestratienda, nullptr);
    EXPECT_EQ(fmuestratienda->parent(), window.get());
    QFile written(installFolder.path() + "/IMAGENES/A1-1.jpg");
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), photo);
}

TEST_F(AccessWindow, EditorOpensAgainAndAgainWhileTheWindowStays) {
    addCompany("001", {2024, 3, 15});
    openWindow();
    ModalCloser modals;
    QTest::keyClick(window->Tusua, Qt::Key_F9); // not connected yet: nothing
    EXPECT_TRUE(modals.seen.isEmpty());

    fillLogIn("SYSDBA", "masterkey", "001");
    leaveCompanyField();
    ASSERT_TRUE(window->SpeedButton3->isEnabled());
    QTest::mouseClick(window->SpeedButton3, Qt::LeftButton);
    QTest::keyClick(window->EFecIni, Qt::Key_F9);
    QTest::mouseClick(window->SpeedButton3, Qt::LeftButton);

    const QList<Tfconfigurar*> editors = window->findChildren<Tfconfigurar*>();
    ASSERT_EQ(editors.size(), 3);
    EXPECT_EQ(fconfigurar, editors.last());
    for (const Tfconfigurar* editor : editors)
        EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(boxes->boxes.isEmpty()) << boxes->boxes.value(0).text.toStdString();
}

class AccessWindowOnServer : public AccessWindow {
protected:
    AccessWindowOnServer() : AccessWindow(ScratchDatabase::Access::Server) {}
    void SetUp() override {
        TIRELON_REQUIRE_SERVER();
        AccessWindow::SetUp();
    }
};

TEST_F(AccessWindowOnServer, RefusedLogInLeavesThePanelAndTheButtons) {
    addCompany("001", {2024, 3, 15});
    openWindow();
    fillLogIn("SYSDBA", "no-es-la-clave", "001");
    leaveCompanyField();
    ASSERT_EQ(boxes->boxes.size(), 1);
    EXPECT_EQ(boxes->boxes[0].text, "El nombre de Usuario o la clave son incorrectas.");
    EXPECT_EQ(test::errorLogEntries(workFolder.path()).size(), 1)
        << test::errorLogEntries(workFolder.path()).join("|").toStdString();
    EXPECT_TRUE(window->Panel5->isVisible());
    EXPECT_EQ(window->Panel5->text(), "Conectando a la base de datos 001 ...");
    EXPECT_EQ(fdm->Tirelon->state(), fb::ConnectionState::Closed);
    expectNotConnectedYet();

    // The right password connects; a refusal after that keeps the buttons enabled.
    window->TClave->setText(test::serverPassword());
    leaveCompanyField();
    ASSERT_EQ(boxes->boxes.size(), 1);
    EXPECT_FALSE(window->Panel5->isVisible());
    ASSERT_TRUE(window->SpeedButton1->isEnabled());

    window->TClave->setText("otra-clave");
    leaveCompanyField();
    EXPECT_EQ(boxes->boxes.size(), 2);
    EXPECT_EQ(fdm->Tirelon->state(), fb::ConnectionState::Closed);
    EXPECT_TRUE(window->Panel5->isVisible());
    EXPECT_TRUE(window->SpeedButton1->isEnabled());
    EXPECT_TRUE(window->SpeedButton3->isEnabled());
}

} // namespace
} // namespace tirelon
