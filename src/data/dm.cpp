#include "data/dm.h"

#include "data/errors/errorlog.h"
#include "data/errors/errorrules.h"
#include "platform/dialogs.h"
#include "platform/exceptiondoor.h"

namespace tirelon {

Tfdm* fdm = nullptr;

namespace {

template <typename T, typename... Args> T* child(QObject* owner, const char* name, Args&&... args) {
    auto* object = new T(std::forward<Args>(args)..., owner);
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

} // namespace

Tfdm::Tfdm(QObject* parent) : QObject(parent) {
    setObjectName("fdm");
    Tirelon = child<fb::Connection>(this, "Tirelon");
    // The stored parameter list, in its order; the placeholders are replaced by
    // every ConectarCompania.
    auto& p = Tirelon->params();
    p.set("BlobSize", "-1");
    p.set("CommitRetain", "False");
    p.set("Database", "C:\\TIRELONERP2024\\SOP\\TIRELON.FDB");
    p.set("DriverName", "Interbase");
    p.set("ErrorResourceFile", "");
    p.set("LocaleCode", "0000");
    p.set("Password", "masterkey");
    p.set("RoleName", "RoleName");
    p.set("ServerCharSet", "");
    p.set("SQLDialect", "3");
    p.set("Interbase TransIsolation", "ReadCommited");
    p.set("User_Name", "sysdba");
    p.set("WaitOnLocks", "True");

    TConftiendav = child<SourceDataSet>(this, "TConftiendav", SourceDataSet::Kind::Table, Tirelon);
    TConftiendav->setTableName("CONFIGURA_TIENDAV");
    TArticulo = child<SourceDataSet>(this, "TArticulo", SourceDataSet::Kind::Query, Tirelon);
    PConftienda = child<TDataSetProvider>(this, "PConftienda");
    PConftienda->setDataSet(TConftiendav);
    PConftienda->setAllowCommandText(false);
    CConftienda = child<TClientDataSet>(this, "CConftienda");
    declareStoreSettingsFields(CConftienda);
    CConftienda->setProviderName("PConftienda");

    guarded(this, [this] { DataModuleCreate(); });
}

Tfdm::~Tfdm() {
    Tirelon->close();
    if (fdm == this)
        fdm = nullptr;
}

void Tfdm::declareStoreSettingsFields(TClientDataSet* d) {
    const QString prefix = d->objectName();
    auto add = [&](const char* column, FieldType type, int size, bool required = false) {
        d->addField(
            {prefix + QLatin1String(column), QLatin1String(column), type, size, required, {}});
    };
    add("COTV_URLADMIN", FieldType::String, 255, true);
    add("COTV_USUARIOADM", FieldType::String, 25);
    add("COTV_CLAVEADM", FieldType::String, 25);
    add("COTV_HOSTFTP", FieldType::String, 255);
    add("COTV_USUARIOFTP", FieldType::String, 25);
    add("COTV_CLAVEFTP", FieldType::String, 25);
    add("COTV_DIRADMIN", FieldType::String, 255);
    add("COTV_DIRIMAGES", FieldType::String, 255);
    add("COTV_FECULT", FieldType::Date, 0);
    add("COTV_DBTIENDA", FieldType::String, 100);
}

void Tfdm::DataModuleCreate() {
    setApplicationErrorHandler(
        [this](QObject* sender, const std::exception& e) { ENoManejada(sender, e); });
}

void Tfdm::ConectarCompania(const QString& server, const QString& company, const QString& user,
                            const QString& password) {
    Tirelon->close();
    auto& p = Tirelon->params();
    p.set("Database", server + "/datos/" + company + "/tirelon.fdb");
    p.set("User_Name", user);
    p.set("password", password);
    // The log-in password never reaches the error log (too short a text would
    // mask ordinary words instead).
    if (password.size() >= 4)
        registerSecret(password);
    Tirelon->open();
}

void Tfdm::ManejarError(QObject* Sender, TClientDataSet* DataSet, const std::exception& E,
                        TUpdateKind, TResolverResponse& Response) {
    const QString message = messageOf(E);
    appendErrorLog(dirlog, etiquetalog, message);
    Response = TResolverResponse::rrAbort;
    QString text = message;
    if (!DataSet) {
        text = applicationRulesText(message);
    } else if (Sender) {
        QString sourceName;
        if (auto* provider = qobject_cast<TDataSetProvider*>(Sender);
            provider && provider->dataSet())
            sourceName = provider->dataSet()->objectName();
        text = updateRulesText(message, sourceName);
    } else {
        text = recordRulesText(message, DataSet->requiredFieldsWithoutValue(),
                               DataSet->indexFieldNames());
    }
    dialogs().beep();
    dialogs().error(QStringLiteral("Error"), text);
}

void Tfdm::ManejarClientError(TClientDataSet* DataSet, const std::exception& E,
                              TDataAction& Action) {
    Action = TDataAction::daAbort;
    TResolverResponse answer = TResolverResponse::rrAbort;
    ManejarError(nullptr, DataSet, E, TUpdateKind::ukInsert, answer);
}

void Tfdm::ENoManejada(QObject* Sender, const std::exception& E) {
    TResolverResponse answer = TResolverResponse::rrAbort;
    ManejarError(Sender, nullptr, E, TUpdateKind::ukInsert, answer);
}

void Tfdm::ConfigurarProviders(QObject* root) {
    const QObjectList owned = root->children(); // read once, in creation order
    for (QObject* component : owned) {
        if (!component->children().isEmpty()) {
            ConfigurarProviders(component);
        } else if (auto* provider = qobject_cast<TDataSetProvider*>(component)) {
            provider->setOnUpdateError([this](QObject* sender, TClientDataSet* dataSet,
                                              const std::exception& e, TUpdateKind kind,
                                              TResolverResponse& response) {
                ManejarError(sender, dataSet, e, kind, response);
            });
        } else if (auto* dataSet = qobject_cast<TClientDataSet*>(component)) {
            dataSet->setPacketRecords(1000);
            auto door = [this](TClientDataSet* d, const std::exception& e, TDataAction& action) {
                ManejarClientError(d, e, action);
            };
            dataSet->setOnPostError(door);
            dataSet->setOnEditError(door);
            dataSet->setOnDeleteError(door);
        }
    }
}

} // namespace tirelon
