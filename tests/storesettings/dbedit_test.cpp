#include "editorfixture.h"

#include "storesettings/dbedit.h"

#include <QTest>
#include <QVBoxLayout>

using namespace tirelon;
using tirelon::test::row;
using tirelon::test::typeText;

namespace {

using State = TClientDataSet::State;

// Two edits over the data module's store settings copy in a window of their own.
class DBEditTest : public test::EditorFixture {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        url = new DBEdit(&window);
        host = new DBEdit(&window);
        layout->addWidget(url);
        layout->addWidget(host);
        url->bind(dm->CConftienda, "COTV_URLADMIN");
        host->bind(dm->CConftienda, "COTV_HOSTFTP");
    }
    void showAndFocus(QWidget* edit) {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        ASSERT_TRUE(edit->hasFocus());
    }

    QWidget window;
    DBEdit* url = nullptr;
    DBEdit* host = nullptr;
};

TEST_F(DBEditTest, ClosedRecordSetGivesAnEmptyReadOnlyEditThatFollowsTheOpen) {
    addRow(row("http://tienda", "ftp.tienda"));
    connectDataModule();
    EXPECT_TRUE(url->isReadOnly());
    EXPECT_EQ(url->text(), "");
    typeText(url, "x");
    EXPECT_EQ(url->text(), "");

    dm->CConftienda->open();
    EXPECT_FALSE(url->isReadOnly());
    EXPECT_EQ(url->text(), "http://tienda");
    EXPECT_EQ(host->text(), "ftp.tienda");
    EXPECT_EQ(url->maxLength(), 255);

    dm->CConftienda->close();
    EXPECT_TRUE(url->isReadOnly());
    EXPECT_EQ(url->text(), "");
}

TEST_F(DBEditTest, TypingStartsTheEditAndLeavingWritesTheRow) {
    addRow(row("http://tienda", "ftp.tienda"));
    connectDataModule();
    dm->CConftienda->open();
    showAndFocus(host);
    host->selectAll();
    typeText(host, "ftp.nuevo");
    EXPECT_EQ(dm->CConftienda->state(), State::Edit);
    // Not in the row until the edit is left.
    EXPECT_EQ(dm->CConftienda->asString("COTV_HOSTFTP"), "ftp.tienda");
    url->setFocus();
    EXPECT_EQ(dm->CConftienda->asString("COTV_HOSTFTP"), "ftp.nuevo");
    EXPECT_EQ(host->text(), "ftp.nuevo");
    EXPECT_EQ(url->text(), "http://tienda");
}

TEST_F(DBEditTest, EscRestoresUnwrittenTypingFromTheRowAndSelectsIt) {
    addRow(row("http://tienda", "ftp.tienda"));
    connectDataModule();
    dm->CConftienda->open();
    showAndFocus(host);
    typeText(host, "-mal");
    EXPECT_EQ(host->text(), "ftp.tienda-mal");
    QTest::keyClick(host, Qt::Key_Escape);
    EXPECT_EQ(host->text(), "ftp.tienda");
    EXPECT_EQ(host->selectedText(), "ftp.tienda");
    url->setFocus(); // nothing left to write
    dm->CConftienda->post();
    EXPECT_EQ(dm->CConftienda->changeCount(), 0);
}

TEST_F(DBEditTest, TypingIntoAnEmptyRecordSetStartsANewRow) {
    connectDataModule();
    dm->CConftienda->open();
    ASSERT_TRUE(dm->CConftienda->isEmpty());
    typeText(url, "http://nueva");
    EXPECT_EQ(dm->CConftienda->state(), State::Insert);
    url->updateRecord();
    EXPECT_EQ(dm->CConftienda->asString("COTV_URLADMIN"), "http://nueva");
    EXPECT_EQ(host->text(), "");
}

} // namespace
