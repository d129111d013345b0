#include "data/fb/database.h"

#include "data/fb/fbapi.h"
#include "data/fb/handles.h"

#include <ibase.h>

#include <memory>

namespace tirelon::fb {

using namespace Firebird;

void createDatabase(const QString& path, const QString& user, const QString& password) {
    Status status;
    std::unique_ptr<IXpbBuilder, void (*)(IXpbBuilder*)> dpb(
        util()->getXpbBuilder(status.get(), IXpbBuilder::DPB, nullptr, 0), [](IXpbBuilder* b) {
            if (b)
                b->dispose();
        });
    status.check();
    const QByteArray u = user.toUtf8(), p = password.toUtf8();
    dpb->insertString(status.get(), isc_dpb_user_name, u.constData());
    dpb->insertString(status.get(), isc_dpb_password, p.constData());
    dpb->insertInt(status.get(), isc_dpb_page_size, 8192);
    dpb->insertInt(status.get(), isc_dpb_sql_dialect, 3);
    status.check();
    IProvider* provider = master()->getDispatcher();
    const QByteArray file = path.toLocal8Bit();
    Handle<IAttachment> att(provider->createDatabase(status.get(), file.constData(),
                                                     dpb->getBufferLength(status.get()),
                                                     dpb->getBuffer(status.get())));
    provider->release();
    if (status.failed())
        throw status.error(DbError::connectFailedClientPart());
    att->detach(status.get());
    status.check();
    att.forget();
}

void shutdownClient() noexcept {
    Status status;
    IProvider* provider = master()->getDispatcher();
    provider->shutdown(status.get(), 0, fb_shutrsn_app_stopped);
    provider->release();
}

} // namespace tirelon::fb
