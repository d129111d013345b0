#pragma once

#include "data/fb/connection.h"
#include "data/recordset/clientdataset.h"

#include <QObject>

namespace tirelon {

// The data module: the one company connection, the store settings reader with
// the module's own copy of the store settings record, the article query the
// export window runs its text through, and the central error handling.
class Tfdm : public QObject {
    Q_OBJECT
public:
    explicit Tfdm(QObject* parent = nullptr);
    ~Tfdm() override;

    fb::Connection* Tirelon;
    SourceDataSet* TConftiendav;
    SourceDataSet* TArticulo;
    TDataSetProvider* PConftienda;
    TClientDataSet* CConftienda;

    // Put in front of the log file name, and third item of every log entry.
    QString dirlog;
    QString etiquetalog;

    // Closes the connection, points it at server + "/datos/" + company +
    // "/tirelon.fdb" with the given user and password, and opens it. A failure
    // leaves the connection closed and the new parameters in place.
    void ConectarCompania(const QString& server, const QString& company, const QString& user,
                          const QString& password);

    // The central handler: logs, translates and shows one error box.
    void ManejarError(QObject* Sender, TClientDataSet* DataSet, const std::exception& E,
                      TUpdateKind UpdateKind, TResolverResponse& Response);
    // Post-, edit- and delete-error door of cached record sets.
    void ManejarClientError(TClientDataSet* DataSet, const std::exception& E, TDataAction& Action);
    // The application-wide handler of exceptions that escape an event handler.
    void ENoManejada(QObject* Sender, const std::exception& E);
    // Attaches the two record-set doors to what root owns, recursively.
    void ConfigurarProviders(QObject* root);

    // The ten fields of the store settings record, in their order.
    static void declareStoreSettingsFields(TClientDataSet* dataSet);

private:
    void DataModuleCreate();
};

// The data module of the running program.
extern Tfdm* fdm;

} // namespace tirelon
