#pragma once

#include "data/recordset/clientdataset.h"
#include "data/recordset/provider.h"
#include "export/photofile.h"
#include "widgets/bevelpanel.h"

#include <QDialog>
#include <QLabel>

class QFrame;

namespace tirelon {

class DBGridEh;
class DBNavigator;
class PictureButton;

// The export window "Productos tienda": on its first activation after being shown it
// writes every article photo of the company to IMAGENES (see exportArticlePhotos), showing
// the article being written on a progress panel, and then lists the photo rows in a
// sortable, searchable grid until the user leaves with "Salir".
//
// The window only reads the database. Its photo list is read only.
class Tfmuestratienda : public QDialog {
    Q_OBJECT
public:
    explicit Tfmuestratienda(QWidget* parent = nullptr);
    ~Tfmuestratienda() override;

    // Source of the photo list: the data module's article query, run with the client's text.
    TDataSetProvider* PArticulo;
    // The article photo record set; also the photo list's model (the DArticulo role).
    TClientDataSet* CArticulo;

    DBGridEh* DBGridEh2;            // the photo list: "Codigo" and "Descripción"
    DBNavigator* DBNavigator2;      // moves through the photo list
    QFrame* Panel1;                 // the button panel at the bottom
    PictureButton* PngSpeedButton1; // "Salir"
    BevelPanel* Panel2;             // the export progress panel, over the list

    // Runs the export. Called once per showing, on the first activation.
    void FormActivate();
    // Closes the article photo record set; the window is then hidden, not destroyed.
    void FormClose();
    // "Salir": closes the window with the modal result cancel.
    void PngSpeedButton1Click();

    // Ends the modal display; the record set is closed as by the close box.
    void done(int result) override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    class ProgressObserver;

    void sortPhotoList(const QList<QPair<int, Qt::SortOrder>>& keys);
    void gridRowChanged(int row);
    void recordRowChanged(int row);

    PhotoFileWriter writer_;
    bool activationPending_ = false;
    bool waitingForExposure_ = false;
    // While the export runs the grid does not follow each row; it is moved once at the end.
    bool gridFollowsRecord_ = true;
};

// The newest export window.
extern Tfmuestratienda* fmuestratienda;

} // namespace tirelon
