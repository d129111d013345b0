#pragma once

#include "storesettings/dbedit.h"

#include <QDialog>

class QFrame;
class QGroupBox;
class QLabel;

namespace tirelon {

class PictureButton;
class TClientDataSet;
class TDataSetProvider;

// The store settings editor "Configuración tienda": nine edits over the first row
// of CONFIGURA_TIENDAV, read and written through a provider and cached record set
// of its own over the data module's table reader. "F2: Grabar" saves and closes,
// "Esc: Salir" discards, refreshes the data module's copy and closes; the frame's
// close box only hides the editor. The keys F2 and Esc do what the buttons say
// (Esc inside an edit with unwritten typing first restores that edit).
class Tfconfigurar : public QDialog {
    Q_OBJECT
public:
    static constexpr QSize kDesignedClientSize{411, 290};

    explicit Tfconfigurar(QWidget* parent = nullptr);
    ~Tfconfigurar() override;

    TDataSetProvider* PConftienda;
    TClientDataSet* CConftienda;

    QFrame* Panel1;
    PictureButton* SpeedButton3;
    PictureButton* SpeedButton2;
    QFrame* Panel2;
    QGroupBox* GroupBox1;
    QLabel* Label1;
    DBEdit* DBEdit1;
    QLabel* Label9;
    DBEdit* DBEdit9;
    QLabel* Label2;
    DBEdit* DBEdit2;
    QLabel* Label3;
    DBEdit* DBEdit3;
    QGroupBox* GroupBox2;
    QLabel* Label4;
    DBEdit* DBEdit4;
    QLabel* Label5;
    DBEdit* DBEdit5;
    QLabel* Label6;
    DBEdit* DBEdit6;
    QLabel* Label7;
    DBEdit* DBEdit7;
    QLabel* Label8;
    DBEdit* DBEdit8;

    // Opens the record set and sizes the window.
    void FormCreate();
    // "F2: Grabar": writes the focused edit, posts, applies and closes. A failed
    // apply is reported and the editor stays open with the change pending.
    void SpeedButton3Click();
    // "Esc: Salir": discards, refreshes the data module's copy and closes.
    void SpeedButton2Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();

    bool placed_ = false;
    QString applyFailure_; // message of the change that failed in the last apply
};

// The newest store settings editor.
extern Tfconfigurar* fconfigurar;

} // namespace tirelon
