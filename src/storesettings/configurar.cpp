#include "storesettings/configurar.h"

#include "data/dm.h"
#include "platform/exceptiondoor.h"
#include "widgets/designfont.h"
#include "widgets/icons.h"
#include "widgets/picturebutton.h"

#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace tirelon {

Tfconfigurar* fconfigurar = nullptr;

namespace {

template <typename T, typename... Args> T* named(const char* name, Args&&... args) {
    auto* object = new T(std::forward<Args>(args)...);
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

constexpr int kEditHeight = 21;
constexpr int kBottomPanelHeight = 53;
constexpr int kAdminGroupHeight = 96;
constexpr int kGroupBottomMargin = 8;

// Puts a label at its designed place, centred on the height of its edit. The
// platform's face is usually wider than the designed one: a label that would run
// into its edit moves left, and is drawn narrower if it still does not fit.
void placeLabel(QLabel* label, QPoint designedAt, const QRect& edit) {
    constexpr int kGap = 4;
    constexpr int kLeftmost = 4;
    label->adjustSize();
    const int room = edit.left() - kGap - kLeftmost;
    QFont font = label->font();
    for (int stretch = 95; label->width() > room && stretch >= 70; stretch -= 5) {
        font.setStretch(stretch);
        label->setFont(font);
        label->adjustSize();
    }
    int x = designedAt.x();
    if (x + label->width() > edit.left() - kGap)
        x = std::max(kLeftmost, edit.left() - kGap - label->width());
    label->move(x, edit.top() + (edit.height() - label->height()) / 2);
}

} // namespace

Tfconfigurar::Tfconfigurar(QWidget* parent) : QDialog(parent) {
    setObjectName("fconfigurar");
    fconfigurar = this;
    setWindowTitle(QStringLiteral("Configuración tienda"));
    setFont(designFont());
    setSizeGripEnabled(false);

    PConftienda = named<TDataSetProvider>("PConftienda", this);
    PConftienda->setDataSet(fdm ? fdm->TConftiendav : nullptr);
    PConftienda->setAllowCommandText(false);
    // The failure of a change is kept to be reported after the apply; the wiring
    // of a later connect may replace this with the central handler, which reports
    // it itself.
    PConftienda->setOnUpdateError([this](QObject*, TClientDataSet*, const std::exception& e,
                                         TUpdateKind, TResolverResponse&) {
        if (applyFailure_.isEmpty())
            applyFailure_ = messageOf(e);
    });
    CConftienda = named<TClientDataSet>("CConftienda", this);
    Tfdm::declareStoreSettingsFields(CConftienda);
    CConftienda->setProviderName("PConftienda");

    buildControls();
    resize(kDesignedClientSize);
    FormCreate();
}

Tfconfigurar::~Tfconfigurar() {
    if (fconfigurar == this)
        fconfigurar = nullptr;
}

void Tfconfigurar::buildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel2 = named<QFrame>("Panel2", this);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* groups = new QVBoxLayout(Panel2);
    groups->setContentsMargins(1, 1, 1, 1);
    groups->setSpacing(0);
    GroupBox1 =
        named<QGroupBox>("GroupBox1", QStringLiteral("Administración de la tienda"), Panel2);
    GroupBox1->setFixedHeight(kAdminGroupHeight);
    GroupBox2 =
        named<QGroupBox>("GroupBox2", QStringLiteral("Configuración FTP de la tienda"), Panel2);
    groups->addWidget(GroupBox1);
    groups->addWidget(GroupBox2, 1);

    Panel1 = named<QFrame>("Panel1", this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setFixedHeight(kBottomPanelHeight);
    const QSize buttonSize(65, 50);
    SpeedButton3 =
        named<PictureButton>("SpeedButton3", QStringLiteral("F2: Grabar"), icons::save(),
                             buttonSize, PictureButton::Arrangement::PictureAbove, Panel1);
    SpeedButton3->move(61, 1);
    SpeedButton2 =
        named<PictureButton>("SpeedButton2", QStringLiteral("Esc: Salir"), icons::exitDoor(),
                             buttonSize, PictureButton::Arrangement::PictureAbove, Panel1);
    SpeedButton2->move(261, 2);
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });

    layout->addWidget(Panel2, 1);
    layout->addWidget(Panel1);

    struct Row {
        const char* labelName;
        const char* caption;
        QPoint labelAt;
        const char* editName;
        const char* field;
        QPoint editAt;
        int width;
        QLabel** label;
        DBEdit** edit;
    };
    auto place = [this](QGroupBox* group, std::initializer_list<Row> rows) {
        for (const Row& r : rows) {
            *r.label = named<QLabel>(r.labelName, QString::fromUtf8(r.caption), group);
            *r.edit = named<DBEdit>(r.editName, group);
            (*r.edit)->setGeometry(QRect(r.editAt, QSize(r.width, kEditHeight)));
            placeLabel(*r.label, r.labelAt, (*r.edit)->geometry());
            (*r.edit)->bind(CConftienda, QString::fromLatin1(r.field));
            (*r.label)->setBuddy(*r.edit);
        }
    };
    place(GroupBox1, {{"Label1",
                       "URL administración de la tienda:",
                       {16, 24},
                       "DBEdit1",
                       "COTV_URLADMIN",
                       {176, 16},
                       209,
                       &Label1,
                       &DBEdit1},
                      {"Label9",
                       "Base de datos tienda:",
                       {66, 48},
                       "DBEdit9",
                       "COTV_DBTIENDA",
                       {176, 40},
                       209,
                       &Label9,
                       &DBEdit9},
                      {"Label2",
                       "Usuario:",
                       {16, 72},
                       "DBEdit2",
                       "COTV_USUARIOADM",
                       {64, 64},
                       81,
                       &Label2,
                       &DBEdit2},
                      {"Label3",
                       "Contraseña:",
                       {208, 72},
                       "DBEdit3",
                       "COTV_CLAVEADM",
                       {272, 64},
                       81,
                       &Label3,
                       &DBEdit3}});
    place(
        GroupBox2,
        {{"Label4", "Host:", {16, 24}, "DBEdit4", "COTV_HOSTFTP", {80, 16}, 209, &Label4, &DBEdit4},
         {"Label5",
          "Usuario FTP:",
          {16, 48},
          "DBEdit5",
          "COTV_USUARIOFTP",
          {80, 40},
          81,
          &Label5,
          &DBEdit5},
         {"Label6",
          "Contraseña:",
          {208, 48},
          "DBEdit6",
          "COTV_CLAVEFTP",
          {272, 40},
          81,
          &Label6,
          &DBEdit6},
         {"Label7",
          "Directorio admin:",
          {16, 72},
          "DBEdit7",
          "COTV_DIRADMIN",
          {120, 64},
          233,
          &Label7,
          &DBEdit7},
         {"Label8",
          "Directorio imágenes:",
          {16, 96},
          "DBEdit8",
          "COTV_DIRIMAGES",
          {120, 88},
          233,
          &Label8,
          &DBEdit8}});
    // The FTP group never gets so low that its last row is cut off.
    GroupBox2->setMinimumHeight(DBEdit8->geometry().bottom() + 1 + kGroupBottomMargin);

    QWidget* order[] = {DBEdit1, DBEdit2, DBEdit3, DBEdit9, DBEdit4,
                        DBEdit5, DBEdit6, DBEdit7, DBEdit8};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void Tfconfigurar::FormCreate() {
    guarded(this, [&] {
        CConftienda->open();
        // Large enough for every edit with this platform's fonts, never smaller
        // than designed.
        resize(kDesignedClientSize.expandedTo(layout()->minimumSize()));
    });
}

void Tfconfigurar::SpeedButton3Click() {
    guarded(this, [&] {
        if (auto* edit = qobject_cast<DBEdit*>(focusWidget()))
            edit->updateRecord();
        try {
            CConftienda->post();
        } catch (...) {
            if (CConftienda->active() &&
                CConftienda->requiredFieldsWithoutValue().contains(QStringLiteral("COTV_URLADMIN")))
                DBEdit1->setFocus();
            throw;
        }
        if (CConftienda->changeCount() > 0) {
            applyFailure_.clear();
            if (CConftienda->applyUpdates(0) > 0) {
                // Nothing was written; the change stays pending so the user can
                // correct it or leave with "Esc: Salir". Without a recorded
                // failure the central handler attached by the wiring has shown it.
                if (!applyFailure_.isEmpty())
                    throw Error(applyFailure_);
                return;
            }
        }
        accept();
    });
}

void Tfconfigurar::SpeedButton2Click() {
    guarded(this, [&] {
        if (!CConftienda->active())
            throw Error(QStringLiteral("Cannot perform this operation on a closed dataset"));
        CConftienda->cancelUpdates();
        if (fdm) {
            fdm->CConftienda->close();
            fdm->CConftienda->open();
        }
        reject();
    });
}

void Tfconfigurar::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_F2) {
            SpeedButton3Click();
            return;
        }
        if (event->key() == Qt::Key_Escape) {
            SpeedButton2Click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void Tfconfigurar::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    guarded(this, [&] {
        if (!placed_) {
            placed_ = true;
            if (QScreen* screen = this->screen()) {
                QRect frame = frameGeometry();
                frame.moveCenter(screen->availableGeometry().center());
                move(frame.topLeft());
            }
        }
        DBEdit1->setFocus();
    });
}

} // namespace tirelon
