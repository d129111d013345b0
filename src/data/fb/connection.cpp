#include "data/fb/connection.h"

#include "platform/win1252.h"

#include <ibase.h>

#include <algorithm>

namespace tirelon::fb {

using namespace Firebird;

namespace {
std::function<void(bool)>& busyHook() {
    static std::function<void(bool)> hook;
    return hook;
}

class BusyScope {
public:
    BusyScope() {
        if (busyHook())
            busyHook()(true);
    }
    ~BusyScope() {
        if (busyHook())
            busyHook()(false);
    }
};

bool isTrue(const QString& text) {
    return text.trimmed().compare("True", Qt::CaseInsensitive) == 0;
}
} // namespace

void ParamList::set(const QString& name, const QString& value) {
    const int i = indexOf(name);
    if (i >= 0)
        entries_[i].value = value;
    else
        entries_.append({name, value});
}

QString ParamList::value(const QString& name) const {
    const int i = indexOf(name);
    return i >= 0 ? entries_[i].value : QString();
}

int ParamList::indexOf(const QString& name) const {
    for (int i = 0; i < entries_.size(); ++i)
        if (entries_[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int ParamList::count(const QString& name) const {
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
        return e.name.compare(name, Qt::CaseInsensitive) == 0;
    }));
}

Transaction::Transaction(Connection& connection, Kind kind) : connection_(&connection) {
    const auto tpb = connection.transactionParameters(kind);
    Status status;
    handle_ = Handle<ITransaction>(connection.attachment()->startTransaction(
        status.get(), static_cast<unsigned>(tpb.size()), tpb.data()));
    status.check();
    connection.transactions_.push_back(this);
}

Transaction::~Transaction() {
    rollback();
    if (connection_)
        connection_->forgetTransaction(this);
}

void Transaction::commit() {
    if (!handle_)
        return;
    Status status;
    handle_->commit(status.get());
    status.check();
    handle_.forget();
}

void Transaction::rollback() noexcept {
    if (!handle_)
        return;
    Status status;
    handle_->rollback(status.get());
    if (!status.failed())
        handle_.forget();
    else
        handle_.reset();
}

Connection::Connection(QObject* parent) : QObject(parent) {}

Connection::~Connection() {
    close();
}

void Connection::setBusyHook(std::function<void(bool)> hook) {
    busyHook() = std::move(hook);
}

void Connection::open() {
    if (state_ == ConnectionState::Open)
        return;
    BusyScope busy;
    state_ = ConnectionState::Connecting;

    Status status;
    std::unique_ptr<IXpbBuilder, void (*)(IXpbBuilder*)> dpb(
        util()->getXpbBuilder(status.get(), IXpbBuilder::DPB, nullptr, 0), [](IXpbBuilder* b) {
            if (b)
                b->dispose();
        });
    auto addString = [&](unsigned char tag, const QString& text) {
        const QByteArray bytes = toWin1252(text);
        dpb->insertBytes(status.get(), tag, bytes.constData(), static_cast<unsigned>(bytes.size()));
    };
    addString(isc_dpb_user_name, params_.value("User_Name"));
    addString(isc_dpb_password, params_.value("Password"));
    const QString role = params_.value("RoleName");
    if (!role.isEmpty())
        addString(isc_dpb_sql_role_name, role);
    bool dialectOk = false;
    const int dialect = params_.value("SQLDialect").toInt(&dialectOk);
    dpb->insertInt(status.get(), isc_dpb_sql_dialect, dialectOk ? dialect : 3);
    const QString charset = params_.value("ServerCharSet").trimmed();
    if (!charset.isEmpty())
        addString(isc_dpb_lc_ctype, charset);

    const QByteArray path = QString(params_.value("Database")).trimmed().toLocal8Bit();
    IAttachment* att = nullptr;
    if (!status.failed()) {
        IProvider* provider = master()->getDispatcher();
        att = provider->attachDatabase(status.get(), path.constData(),
                                       dpb->getBufferLength(status.get()),
                                       dpb->getBuffer(status.get()));
        provider->release();
    }
    if (status.failed() || !att) {
        state_ = ConnectionState::Closed;
        throw status.error(DbError::connectFailedClientPart());
    }
    attachment_ = Handle<IAttachment>(att);
    state_ = ConnectionState::Open;
}

void Connection::ensureOpen() {
    if (state_ != ConnectionState::Open)
        open();
}

void Connection::close() noexcept {
    if (state_ == ConnectionState::Closed)
        return;
    state_ = ConnectionState::Disconnecting;
    try {
        emit closing();
    } catch (...) {
        // Record sets drop their rows without throwing; nothing to do here.
    }
    for (Transaction* t : std::vector<Transaction*>(transactions_))
        t->rollback();
    if (attachment_) {
        Status status;
        attachment_->detach(status.get());
        if (!status.failed())
            attachment_.forget();
        else
            attachment_.reset();
    }
    state_ = ConnectionState::Closed;
}

IAttachment* Connection::attachment() {
    ensureOpen();
    return attachment_.get();
}

std::shared_ptr<Transaction> Connection::startTransaction(Transaction::Kind kind) {
    ensureOpen();
    return std::make_shared<Transaction>(*this, kind);
}

void Connection::forgetTransaction(Transaction* t) {
    transactions_.erase(std::remove(transactions_.begin(), transactions_.end(), t),
                        transactions_.end());
}

std::vector<unsigned char> Connection::transactionParameters(Transaction::Kind kind) const {
    std::vector<unsigned char> tpb{isc_tpb_version3};
    tpb.push_back(kind == Transaction::Kind::ReadOnly ? isc_tpb_read : isc_tpb_write);
    // Read committed is the only isolation the program uses; record versions let a
    // reader see the last committed value instead of waiting for a writer.
    tpb.push_back(isc_tpb_read_committed);
    tpb.push_back(isc_tpb_rec_version);
    tpb.push_back(isTrue(params_.value("WaitOnLocks")) || !params_.contains("WaitOnLocks")
                      ? isc_tpb_wait
                      : isc_tpb_nowait);
    return tpb;
}

} // namespace tirelon::fb
