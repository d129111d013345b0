#pragma once

#include "data/fb/handles.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace tirelon::fb {

// Ordered name=value entries; names match without regard to case. Setting a
// name replaces its entry in place, or appends one when there is none.
class ParamList {
public:
    struct Entry {
        QString name;
        QString value;
    };
    void set(const QString& name, const QString& value);
    QString value(const QString& name) const;
    bool contains(const QString& name) const { return indexOf(name) >= 0; }
    int indexOf(const QString& name) const;
    int count(const QString& name) const;
    const QList<Entry>& entries() const { return entries_; }

private:
    QList<Entry> entries_;
};

enum class ConnectionState { Closed, Open, Connecting, Executing, Fetching, Disconnecting };

class Connection;

// One transaction on a connection. Rolls back in its destructor if still active;
// the connection ends every transaction still open before it detaches.
class Transaction {
public:
    enum class Kind { ReadOnly, ReadWrite };
    Transaction(Connection& connection, Kind kind);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();
    void rollback() noexcept;
    bool isActive() const { return static_cast<bool>(handle_); }
    Firebird::ITransaction* handle() const { return handle_.get(); }
    Connection* connection() const { return connection_; }

private:
    QPointer<Connection> connection_;
    Handle<Firebird::ITransaction> handle_;
};

// The connection to one database. Open attaches with the parameters it holds:
// Database (trimmed), User_Name, Password, RoleName, SQLDialect and no connection
// character set, so text columns arrive as their stored bytes.
class Connection : public QObject {
    Q_OBJECT
public:
    explicit Connection(QObject* parent = nullptr);
    ~Connection() override;

    ParamList& params() { return params_; }
    const ParamList& params() const { return params_; }

    // Attaches; on failure the state is closed again and a DbError with the
    // connect-failure client part is thrown.
    void open();
    // Closes the record sets reading from the connection, ends its transactions
    // and detaches. Never throws.
    void close() noexcept;
    void ensureOpen();
    bool connected() const { return state_ == ConnectionState::Open; }
    ConnectionState state() const { return state_; }

    Firebird::IAttachment* attachment();
    std::shared_ptr<Transaction> startTransaction(Transaction::Kind kind);

    // Called with true before a connect and false after it, also after a failure
    // (the GUI shows the busy pointer).
    static void setBusyHook(std::function<void(bool)> hook);

signals:
    // Emitted before the connection closes; record sets drop their rows then.
    void closing();

private:
    friend class Transaction;
    void forgetTransaction(Transaction* t);
    std::vector<unsigned char> transactionParameters(Transaction::Kind kind) const;

    ParamList params_;
    ConnectionState state_ = ConnectionState::Closed;
    Handle<Firebird::IAttachment> attachment_;
    std::vector<Transaction*> transactions_;
};

} // namespace tirelon::fb
