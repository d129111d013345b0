#include "login/acceso.h"

#include "data/dm.h"
#include "export/muestratienda.h"
#include "login/commandline.h"
#include "login/datetext.h"
#include "platform/exceptiondoor.h"
#include "settings/installdir.h"
#include "settings/serverlist.h"
#include "storesettings/configurar.h"
#include "widgets/designfont.h"
#include "widgets/icons.h"
#include "widgets/picturebutton.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <qdrawutil.h>

namespace tirelon {

Tfacceso* facceso = nullptr;

namespace {

// Shows every character of a password field as '*'.
class AsteriskPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return u'*';
        if (hint == SH_LineEdit_PasswordMaskDelay)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

template <typename T, typename... Args>
T* control(QWidget* parent, const char* name, Args&&... args) {
    auto* widget = new T(std::forward<Args>(args)..., parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* fieldLabel(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

constexpr int kHeaderHeight = 57;
constexpr int kDatabaseGroupHeight = 105;
constexpr int kButtonBarHeight = 54;
constexpr QSize kButtonSize{65, 50};
constexpr QRect kProgressPanelGeometry{8, 76, 337, 41};
const QDate kInitialDate{2003, 1, 20};

} // namespace

Tfacceso::Tfacceso(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("facceso"));
    setWindowTitle(QStringLiteral("Exportar imágenes"));
    setFont(designFont());
    buildControls();
    resize(kOuterSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    guarded(this, [this] { FormCreate(); });
}

Tfacceso::~Tfacceso() {
    if (facceso == this)
        facceso = nullptr;
}

void Tfacceso::buildControls() {
    auto* bands = new QVBoxLayout(this);
    bands->setContentsMargins(0, 0, 0, 0);
    bands->setSpacing(0);

    Label1 = control<QLabel>(this, "Label1",
                             QStringLiteral("Este programa exporta las imagenes del catálogo de "
                                            "artículos en la carpeta indicada."));
    Label1->setWordWrap(true);
    Label1->setFixedHeight(kHeaderHeight);
    Label1->setContentsMargins(12, 4, 12, 4);
    bands->addWidget(Label1);

    GroupBox1 = control<QGroupBox>(this, "GroupBox1", QStringLiteral("Base de datos:"));
    GroupBox1->setFixedHeight(kDatabaseGroupHeight);
    fieldLabel(GroupBox1, QStringLiteral("Servidor : "), {8, 16, 70, 21});
    Servidor = control<QComboBox>(GroupBox1, "Servidor");
    Servidor->setEditable(false);
    Servidor->addItem(QStringLiteral("c:\\tirelon"));
    Servidor->setGeometry(82, 16, 240, 21);
    fieldLabel(GroupBox1, QStringLiteral("Usuario : "), {8, 38, 70, 21});
    Tusua = control<QLineEdit>(GroupBox1, "Tusua");
    Tusua->setGeometry(82, 38, 150, 21);
    fieldLabel(GroupBox1, QStringLiteral("Clave : "), {8, 60, 70, 21});
    passwordStyle_ = new AsteriskPasswordStyle;
    passwordStyle_->setParent(this);
    TClave = control<QLineEdit>(GroupBox1, "TClave");
    TClave->setStyle(passwordStyle_);
    TClave->setEchoMode(QLineEdit::Password);
    TClave->setGeometry(82, 60, 110, 21);
    fieldLabel(GroupBox1, QStringLiteral("Compañía:"), {196, 60, 62, 21});
    Cia = control<QLineEdit>(GroupBox1, "Cia");
    Cia->setGeometry(262, 60, 45, 21);
    auto* groupRow = new QHBoxLayout;
    groupRow->setContentsMargins(8, 0, 8, 0);
    groupRow->addWidget(GroupBox1);
    bands->addLayout(groupRow);

    GroupBox2 = control<QGroupBox>(this, "GroupBox2", QStringLiteral("Parámetros "));
    auto* dateLabel =
        new QLabel(QStringLiteral("Subir artículos que han cambiado desde:"), GroupBox2);
    dateLabel->setGeometry(12, 20, 300, 17);
    EFecIni = control<QDateEdit>(GroupBox2, "EFecIni");
    EFecIni->setCalendarPopup(true);
    EFecIni->setDisplayFormat(shortDateDisplayFormat());
    EFecIni->setDate(kInitialDate);
    EFecIni->setEnabled(false);
    EFecIni->setGeometry(12, 40, 110, 21);
    dateLabel->setBuddy(EFecIni);
    auto* paramRow = new QHBoxLayout;
    paramRow->setContentsMargins(8, 0, 8, 0);
    paramRow->addWidget(GroupBox2);
    bands->addLayout(paramRow, 1);

    auto* buttonBar = new QWidget(this);
    buttonBar->setFixedHeight(kButtonBarHeight);
    auto* buttons = new QHBoxLayout(buttonBar);
    buttons->setContentsMargins(8, 2, 8, 2);
    SpeedButton1 = control<PictureButton>(buttonBar, "SpeedButton1", QStringLiteral("F5: Exportar"),
                                          icons::exportPhotos(), kButtonSize,
                                          PictureButton::Arrangement::PictureAbove);
    SpeedButton3 = control<PictureButton>(buttonBar, "SpeedButton3",
                                          QStringLiteral("F9: Configurar"), icons::settings(),
                                          kButtonSize, PictureButton::Arrangement::PictureAbove);
    SpeedButton2 = control<PictureButton>(buttonBar, "SpeedButton2",
                                          QStringLiteral("Esc: Cancelar"), icons::cancel(),
                                          kButtonSize, PictureButton::Arrangement::PictureAbove);
    SpeedButton1->setEnabled(false);
    SpeedButton3->setEnabled(false);
    buttons->addWidget(SpeedButton1);
    buttons->addWidget(SpeedButton3);
    buttons->addStretch(1);
    buttons->addWidget(SpeedButton2);
    bands->addWidget(buttonBar);

    Panel5 = control<BevelPanel>(this, "Panel5");
    Panel5->setGeometry(kProgressPanelGeometry);
    // Navy bold text, 13 pixels high.
    QFont panelFont = Panel5->font();
    panelFont.setBold(true);
    panelFont.setPixelSize(13);
    Panel5->setFont(panelFont);
    QPalette panelPalette = Panel5->palette();
    panelPalette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    Panel5->setPalette(panelPalette);
    Panel5->hide();

    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { guarded(this, [this] { SpeedButton1Click(); }); });
    connect(SpeedButton2, &QToolButton::clicked, this,
            [this] { guarded(this, [this] { SpeedButton2Click(); }); });
    connect(SpeedButton3, &QToolButton::clicked, this,
            [this] { guarded(this, [this] { SpeedButton3Click(); }); });

    QWidget* fields[] = {Servidor, Tusua, TClave, Cia, EFecIni};
    for (QWidget* field : fields)
        field->installEventFilter(this);
    setTabOrder(Servidor, Tusua);
    setTabOrder(Tusua, TClave);
    setTabOrder(TClave, Cia);
    setTabOrder(Cia, EFecIni);
    Servidor->setFocus();
}

QString Tfacceso::diraplicacion() const {
    return installationDirectory();
}

void Tfacceso::FormCreate() {
    const QStringList servers = loadServerList(diraplicacion());
    Servidor->clear();
    Servidor->addItems(servers);
    Servidor->setCurrentIndex(servers.isEmpty() ? -1 : 0);
}

void Tfacceso::FormActivate() {
    if (parameter(10).isEmpty())
        return;
    Servidor->clear();
    Servidor->addItem(parameter(1));
    Servidor->setCurrentIndex(0);
    Tusua->setText(parameter(2));
    TClave->setText(parameter(3));
    Cia->setText(parameter(4));
    CiaExit();
    while (fdm->Tirelon->state() == fb::ConnectionState::Connecting)
        QCoreApplication::processEvents();
    if (fdm->Tirelon->state() != fb::ConnectionState::Open)
        return;
    const QString date = parameter(11);
    if (!date.isEmpty())
        EFecIni->setDate(readShortDate(date));
    SpeedButton1Click();
}

void Tfacceso::FormKeyDown(QKeyEvent* event) {
    if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
        return;
    switch (event->key()) {
    case Qt::Key_F5:
        // Before the first connect the connection still holds its placeholder log-in.
        if (SpeedButton1->isEnabled())
            SpeedButton1Click();
        break;
    case Qt::Key_F9:
        if (SpeedButton3->isEnabled())
            SpeedButton3Click();
        break;
    case Qt::Key_Escape:
        SpeedButton2Click();
        break;
    default:
        break;
    }
}

bool Tfacceso::Enteratab(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    focusNextChild();
    return true;
}

void Tfacceso::CiaExit() {
    const QString company = Cia->text();
    if (company.isEmpty())
        return;
    const QString user = Tusua->text();
    if (user.isEmpty())
        return;
    const QString password = TClave->text();
    if (password.isEmpty())
        return;

    Panel5->setText(QStringLiteral("Conectando a la base de datos ") + company +
                    QStringLiteral(" ..."));
    Panel5->show();
    Panel5->raise();
    repaint();

    fdm->ConectarCompania(Servidor->currentText(), company, user, password);
    fdm->ConfigurarProviders(this);

    EFecIni->setEnabled(true);
    EFecIni->setDate(QDate::currentDate());
    const QString date = parameter(11);
    if (!date.isEmpty())
        EFecIni->setDate(readShortDate(date));
    Panel5->hide();

    // A copy that is open already keeps the rows it read first.
    if (!fdm->CConftienda->active())
        fdm->CConftienda->open();
    EFecIni->setDate(fdm->CConftienda->asDate(QStringLiteral("COTV_FECULT")));
    EFecIni->setFocus();
    SpeedButton1->setEnabled(true);
    SpeedButton3->setEnabled(true);
}

void Tfacceso::SpeedButton1Click() {
    fmuestratienda = new Tfmuestratienda(this);
    fmuestratienda->exec();
    close();
}

void Tfacceso::SpeedButton2Click() {
    close();
}

void Tfacceso::SpeedButton3Click() {
    fconfigurar = new Tfconfigurar(this);
    fconfigurar->exec();
}

bool Tfacceso::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && !activated_) {
        activated_ = true;
        // Deferred, so the window is painted before an unattended run blocks it.
        QTimer::singleShot(0, this, [this] { guarded(this, [this] { FormActivate(); }); });
    }
    return QWidget::event(event);
}

bool Tfacceso::eventFilter(QObject* watched, QEvent* event) {
    bool taken = false;
    guarded(this, [&] {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            previewedKey_ = key;
            previewedKeyTimestamp_ = key->timestamp();
            FormKeyDown(key);
            taken = Enteratab(key);
            if (taken)
                previewedKey_ = nullptr;
        } else if (event->type() == QEvent::FocusOut && watched == Cia) {
            // The window losing the activation (a message box, another program) or a
            // popup opening over the field is no exit from it.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                CiaExit();
        }
    });
    return taken || QWidget::eventFilter(watched, event);
}

void Tfacceso::keyPressEvent(QKeyEvent* event) {
    guarded(this, [&] {
        // A key that one of the five fields let pass comes here after eventFilter has
        // seen it; only keys sent to the window itself are new. The focus cannot tell
        // them apart, since a window opened by the key has moved it meanwhile.
        const bool previewed =
            event == previewedKey_ && event->timestamp() == previewedKeyTimestamp_;
        previewedKey_ = nullptr;
        if (!previewed)
            FormKeyDown(event);
    });
    QWidget::keyPressEvent(event);
}

void Tfacceso::showEvent(QShowEvent* event) {
    guarded(this, [&] {
        if (!outerSizeFitted_) {
            outerSizeFitted_ = true;
            const QSize frame = frameGeometry().size() - geometry().size();
            resize(kOuterSize - frame);
        }
    });
    QWidget::showEvent(event);
    // Ask for the activation that starts the unattended run: without a window
    // manager (a bare X server for a scheduled run) nothing else would activate it.
    if (!activated_)
        QTimer::singleShot(0, this, [this] { activateWindow(); });
}

void Tfacceso::closeEvent(QCloseEvent* event) {
    guarded(this, [&] { event->accept(); });
}

} // namespace tirelon
