#pragma once

#include "widgets/bevelpanel.h"

#include <QLabel>
#include <QWidget>

class QComboBox;
class QDateEdit;
class QGroupBox;
class QLineEdit;
class QProxyStyle;

namespace tirelon {

class PictureButton;

// The access window "Exportar imágenes", the program's main window: the user picks a
// server, types user, password and company, and connects by leaving the company field
// (CiaExit). After a connect "F5: Exportar" opens the export window, after which this
// window closes, and "F9: Configurar" opens the store settings editor. With parameter
// 10 on the command line the first activation logs in and exports on its own.
class Tfacceso : public QWidget {
    Q_OBJECT
public:
    // The outer size of the window, frame included.
    static constexpr QSize kOuterSize{363, 362};

    // Builds the window and runs FormCreate (the server list is loaded).
    explicit Tfacceso(QWidget* parent = nullptr);
    ~Tfacceso() override;

    QLabel* Label1;              // the header text
    QGroupBox* GroupBox1;        // "Base de datos:"
    QComboBox* Servidor;         // the server entries; choose only
    QLineEdit* Tusua;            // user name
    QLineEdit* TClave;           // password, shown as '*'
    QLineEdit* Cia;              // company code; leaving it connects
    QGroupBox* GroupBox2;        // "Parámetros "
    QDateEdit* EFecIni;          // "Subir artículos que han cambiado desde:"
    PictureButton* SpeedButton1; // "F5: Exportar"
    PictureButton* SpeedButton3; // "F9: Configurar"
    PictureButton* SpeedButton2; // "Esc: Cancelar"
    BevelPanel* Panel5;          // the progress panel over the log-in fields

    // The installation directory, read afresh (see installationDirectory()).
    QString diraplicacion() const;

    // Loads the server list into Servidor; runs once, from the constructor.
    void FormCreate();
    // The unattended run; runs once, soon after the first activation.
    void FormActivate();
    // F5 runs SpeedButton1Click (once the button is enabled), F9 SpeedButton3Click (once
    // enabled), Esc SpeedButton2Click; only with none of Shift, Ctrl and Alt held.
    // Consumes nothing.
    void FormKeyDown(QKeyEvent* event);
    // Enter in one of the five fields: swallowed, the focus moves on as with Tab.
    // Returns whether the key was taken.
    bool Enteratab(QKeyEvent* event);
    // The connect sequence: with company, user and password filled in, connects to the
    // company, shows the store date in EFecIni and enables the two buttons.
    void CiaExit();
    // Opens a new export window modally, then closes this window.
    void SpeedButton1Click();
    // Closes this window, which ends the program.
    void SpeedButton2Click();
    // Opens a new store settings editor modally.
    void SpeedButton3Click();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();

    QProxyStyle* passwordStyle_ = nullptr;
    // The key event eventFilter last passed on to a field, to know it again if the
    // field lets it reach the window.
    const QKeyEvent* previewedKey_ = nullptr;
    quint64 previewedKeyTimestamp_ = 0;
    bool activated_ = false;
    bool outerSizeFitted_ = false;
};

// The access window of the running program.
extern Tfacceso* facceso;

} // namespace tirelon
