#include "export/muestratienda.h"

#include "data/dm.h"
#include "export/exporter.h"
#include "platform/exceptiondoor.h"
#include "settings/installdir.h"
#include "widgets/bevelpanel.h"
#include "widgets/dbgrideh.h"
#include "widgets/dbnavigator.h"
#include "widgets/designfont.h"
#include "widgets/icons.h"
#include "widgets/picturebutton.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFrame>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <qdrawutil.h>

namespace tirelon {

Tfmuestratienda* fmuestratienda = nullptr;

namespace {

template <typename T, typename... Args>
T* named(QWidget* parent, const char* name, Args&&... args) {
    auto* object = new T(std::forward<Args>(args)..., parent);
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

} // namespace

// The window's view of the export: the progress panel shows the row being written.

class Tfmuestratienda::ProgressObserver : public ExportObserver {
public:
    explicit ProgressObserver(Tfmuestratienda& window) : window_(window) {}
    // An export that stops with an error leaves the failing row's caption showing.
    ~ProgressObserver() override {
        if (!finished_ && !pendingCode_.isNull())
            paint(pendingCode_);
    }

    void started(int /*rowsFetched*/) override {
        window_.Panel2->show();
        sincePaint_.invalidate();
    }

    void rowReached(int /*row*/, const QString& code) override {
        // The caption is painted at once for the first row and then at most every
        // kPaintInterval: painting it for each of tens of thousands of small photos
        // would cost more than writing them, and no one can read that fast.
        if (sincePaint_.isValid() && sincePaint_.elapsed() < kPaintIntervalMs) {
            pendingCode_ = code;
            return;
        }
        paint(code);
    }

    void finished() override {
        finished_ = true;
        window_.Panel2->hide();
    }

private:
    static constexpr qint64 kPaintIntervalMs = 40;

    void paint(const QString& code) {
        window_.Panel2->setText(QStringLiteral("Exportando imagen articulo ") + code +
                                QStringLiteral("..."));
        // No events are handled during the export: paint the panel now, and only it.
        window_.Panel2->repaint();
        pendingCode_ = QString();
        sincePaint_.start();
    }

    Tfmuestratienda& window_;
    QElapsedTimer sincePaint_;
    QString pendingCode_;
    bool finished_ = false;
};

// Tfmuestratienda

Tfmuestratienda::Tfmuestratienda(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmuestratienda"));
    setWindowTitle(QStringLiteral("Productos tienda"));
    setSizeGripEnabled(false);
    setFont(designFont());
    move(194, 108);
    resize(870, 500);

    PArticulo = new TDataSetProvider(this);
    PArticulo->setObjectName(QStringLiteral("PArticulo"));
    PArticulo->setAllowCommandText(true);
    PArticulo->setDataSet(fdm ? fdm->TArticulo : nullptr);

    CArticulo = new TClientDataSet(this);
    CArticulo->setObjectName(QStringLiteral("CArticulo"));
    CArticulo->setProviderName(QStringLiteral("PArticulo"));
    // No packet size: the whole result is fetched on open. Photos stay in the database
    // until they are written, so memory does not grow with their size.
    declareArticlePhotoFields(CArticulo);

    DBGridEh2 = named<DBGridEh>(this, "DBGridEh2");
    DBGridEh2->setModel(CArticulo);

    DBNavigator2 = named<DBNavigator>(this, "DBNavigator2");
    DBNavigator2->setGrid(DBGridEh2);

    Panel1 = named<QFrame>(this, "Panel1");
    Panel1->setFixedHeight(37);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);

    PngSpeedButton1 = new PictureButton(QStringLiteral("Salir"), icons::redCross16(), QSize(57, 33),
                                        PictureButton::Arrangement::IconRight, Panel1);
    PngSpeedButton1->setObjectName(QStringLiteral("PngSpeedButton1"));
    PngSpeedButton1->setGeometry(792, 2, 57, 33);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(DBGridEh2, 1);
    layout->addWidget(DBNavigator2);
    layout->addWidget(Panel1);

    // Over the list, outside the layout.
    Panel2 = named<BevelPanel>(this, "Panel2");
    Panel2->setGeometry(240, 88, 250, 41);
    Panel2->hide();
    Panel2->raise();

    setTabOrder(DBGridEh2, DBNavigator2);

    connect(DBGridEh2, &DBGridEh::sortRequested, this,
            [this](QList<QPair<int, Qt::SortOrder>> keys) {
                guarded(this, [&] { sortPhotoList(keys); });
            });
    connect(DBGridEh2, &DBGridEh::currentRowChanged, this,
            [this](int row) { guarded(this, [&] { gridRowChanged(row); }); });
    connect(CArticulo, &TClientDataSet::currentRowChanged, this,
            [this](int row) { guarded(this, [&] { recordRowChanged(row); }); });
    connect(PngSpeedButton1, &QToolButton::clicked, this,
            [this] { guarded(this, [&] { PngSpeedButton1Click(); }); });

    fmuestratienda = this;
}

Tfmuestratienda::~Tfmuestratienda() {
    if (fmuestratienda == this)
        fmuestratienda = nullptr;
}

void Tfmuestratienda::FormActivate() {
    ProgressObserver observer(*this);
    // The grid is moved once when the export ends, however it ends, instead of scrolling
    // to every row on the way.
    struct GridCatchUp {
        Tfmuestratienda& window;
        ~GridCatchUp() {
            window.gridFollowsRecord_ = true;
            window.DBGridEh2->setCurrentRow(window.CArticulo->recNo());
        }
    } catchUp{*this};
    gridFollowsRecord_ = false;
    // After a complete export the record set stands on its last row; after a failure, on
    // the failing one. The grid is moved there by catchUp.
    exportArticlePhotos(*CArticulo, observer, &installationDirectory, writer_);
}

void Tfmuestratienda::FormClose() {
    CArticulo->close();
}

void Tfmuestratienda::PngSpeedButton1Click() {
    reject();
}

void Tfmuestratienda::done(int result) {
    guarded(this, [&] { FormClose(); });
    QDialog::done(result);
}

bool Tfmuestratienda::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    // The export runs on the first activation after the window is shown; a message box,
    // the find dialog or another application giving the focus back is not a new showing.
    if (event->type() == QEvent::WindowActivate && activationPending_) {
        activationPending_ = false;
        QWindow* handle = windowHandle();
        if (handle && !handle->isExposed()) {
            // Activated before it is on the screen: the progress panel could not be
            // painted yet. Start once the window has been exposed and painted.
            waitingForExposure_ = true;
            handle->installEventFilter(this);
        } else {
            guarded(this, [&] { FormActivate(); });
        }
    }
    return handled;
}

bool Tfmuestratienda::eventFilter(QObject* watched, QEvent* event) {
    QWindow* handle = windowHandle();
    if (waitingForExposure_ && watched == handle && event->type() == QEvent::Expose &&
        handle->isExposed()) {
        waitingForExposure_ = false;
        handle->removeEventFilter(this);
        // Let the window paint itself first, then export.
        QCoreApplication::sendEvent(handle, event);
        guarded(this, [&] { FormActivate(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Tfmuestratienda::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        activationPending_ = true;
        // The export starts at the activation; ask for it, since without a window
        // manager nothing else activates a new window.
        QTimer::singleShot(0, this, [this] { activateWindow(); });
    }
}

void Tfmuestratienda::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (waitingForExposure_ && !event->spontaneous()) {
        waitingForExposure_ = false;
        if (QWindow* handle = windowHandle())
            handle->removeEventFilter(this);
    }
}

void Tfmuestratienda::closeEvent(QCloseEvent* event) {
    guarded(this, [&] { FormClose(); });
    QDialog::closeEvent(event);
}

void Tfmuestratienda::keyPressEvent(QKeyEvent* event) {
    // The window closes with "Salir", the close box or Alt+F4, not with Esc.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Tfmuestratienda::sortPhotoList(const QList<QPair<int, Qt::SortOrder>>& keys) {
    if (!CArticulo->active())
        return;
    QList<TClientDataSet::IndexKey> index;
    for (const auto& [column, order] : keys) {
        const int field = CArticulo->modelColumnField(column);
        if (field >= 0)
            index.append({field, order == Qt::DescendingOrder});
    }
    CArticulo->setIndex(index);
}

void Tfmuestratienda::gridRowChanged(int row) {
    if (row >= 0 && CArticulo->active() && row != CArticulo->recNo())
        CArticulo->moveTo(row);
}

void Tfmuestratienda::recordRowChanged(int row) {
    if (gridFollowsRecord_ && row >= 0 && row != DBGridEh2->currentRow())
        DBGridEh2->setCurrentRow(row);
}

} // namespace tirelon
