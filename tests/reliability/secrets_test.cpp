// Passwords never reach the error log or the texts shown: neither the log-in
// password nor the store's administration and FTP passwords.
#include "company.h"
#include "data/dm.h"
#include "data/errors/errorlog.h"
#include "data/fb/statement.h"
#include "errorlogreader.h"
#include "platform/exceptiondoor.h"
#include "recordingdialogs.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace tirelon;

namespace {
const QString kLoginMarker = QStringLiteral("Pw-Login-7781");
const QString kAdminMarker = QStringLiteral("Pw-Admin-5512");
const QString kFtpMarker = QStringLiteral("Pw-Ftp-9034");

class InTempDir {
public:
    InTempDir() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~InTempDir() { QDir::setCurrent(previous_); }
    QByteArray log() const { return test::errorLogBytes(dir_.path()); }

private:
    QTemporaryDir dir_;
    QString previous_;
};
} // namespace

TEST(Secrets, NoPasswordInTheLogOrTheBoxesWhenConnectAndSaveFail) {
    InTempDir cwd;
    test::ScopedRecordingDialogs boxes;
    test::CompanyFolder folder;
    folder.addCompany("001");
    folder.execute("001", {"INSERT INTO CONFIGURA_TIENDAV (COTV_URLADMIN, COTV_CLAVEADM, "
                           "COTV_CLAVEFTP) VALUES ('http://a', '" +
                           kAdminMarker + "', '" + kFtpMarker + "')"});
    Tfdm dm;
    // A failed connect with the marker as password.
    guarded(nullptr, [&] { dm.ConectarCompania("/nowhere", "001", "SYSDBA", kLoginMarker); });
    dm.ConectarCompania(folder.serverEntry(), "001", "SYSDBA", kLoginMarker);

    // A save of the settings record that fails because a peer changed it meanwhile.
    QObject window;
    auto* provider = new TDataSetProvider(&window);
    provider->setObjectName("PConftienda");
    provider->setDataSet(dm.TConftiendav);
    auto* settings = new TClientDataSet(&window);
    settings->setObjectName("CConftienda");
    Tfdm::declareStoreSettingsFields(settings);
    settings->setProvider(provider);
    dm.ConfigurarProviders(&window);
    settings->open();
    settings->edit();
    settings->setValue("COTV_CLAVEFTP", kFtpMarker + "-new");
    settings->post();
    folder.execute("001", {"UPDATE CONFIGURA_TIENDAV SET COTV_URLADMIN = 'http://peer'"});
    EXPECT_EQ(settings->applyUpdates(0), 1);

    ASSERT_GE(boxes->boxes.size(), 2);
    const QByteArray log = cwd.log();
    EXPECT_FALSE(log.isEmpty());
    for (const QString& marker : {kLoginMarker, kAdminMarker, kFtpMarker}) {
        EXPECT_FALSE(log.contains(marker.toLatin1())) << marker.toStdString();
        for (const auto& box : boxes->boxes)
            EXPECT_FALSE(box.text.contains(marker)) << marker.toStdString();
    }
    clearSecrets();
}
