#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariantList>

#include <memory>

class CGeoSqlDialect;

// What the database object needs of an engine, and nothing more: statements that take
// values, step through rows and give each field's UTF-8 bytes. One implementation per
// engine: the SQLite file (SqliteBackend) and a PostgreSQL server (PgBackend). Nothing
// outside src/db sees which one is in use.
class CGeoStatement {
public:
    enum class Type { Null, Integer, Float, Text, Blob };

    virtual ~CGeoStatement() = default;

    // Binds the values in order (QString as text, integers, doubles, a null QVariant as NULL)
    // and starts the statement afresh.
    virtual bool Bind(const QVariantList& values) = 0;
    // Steps to the next row: true when there is one. False at the end and on an error, which
    // Error() then holds.
    virtual bool Step() = 0;
    // Runs a statement that returns no rows to its end.
    virtual bool Run() = 0;
    // The same for one of many rows written in a transaction: the engine may send the
    // statement without waiting for its end. An error then shows at a later RunInBatch() or
    // at the transaction's next other statement (its COMMIT fails), never not at all.
    virtual bool RunInBatch() { return Run(); }
    // Binds UTF-8 texts in order (an empty view as NULL) and runs the statement as
    // RunInBatch() does: the fast path of a bulk insert. Each text is followed by a NUL byte
    // and holds none; the texts need only live until the call returns.
    virtual bool RunUtf8(const QByteArrayView* values, int count) = 0;

    virtual int FieldCount() const = 0;
    virtual QString FieldName(int field) const = 0;
    // The type of the field's value in the current row. Ask before reading the field:
    // reading may convert it.
    virtual Type FieldType(int field) const = 0;
    // The field's value as UTF-8 text (numbers as their text), valid until the next step;
    // empty for NULL.
    virtual QByteArrayView FieldUtf8(int field) const = 0;
    virtual qint64 FieldInt(int field) const = 0;
    // Rows the last Run() inserted, updated or deleted.
    virtual int ChangedRows() const = 0;

    // The last failure: in German for the common conditions, with the engine's message;
    // empty when nothing failed.
    virtual const QString& Error() const = 0;
    // The engine's own words for it, without the German sentence.
    virtual const QString& EngineMessage() const = 0;
    // Whether it was another connection holding what the statement needed (the file, or on
    // a server the rows) for longer than the program waits.
    virtual bool IsBusy() const = 0;
    // Whether a server ended the statement's transaction to break a deadlock.
    virtual bool IsDeadlock() const { return false; }
};

class CGeoBackend {
public:
    virtual ~CGeoBackend() = default;

    // A statement for the SQL text; its errors (also a text the engine refuses) show in the
    // statement's Error() at the latest when it is bound, stepped or run.
    virtual std::unique_ptr<CGeoStatement> Prepare(const QString& sql) = 0;
    // The SQL texts of this engine.
    virtual const CGeoSqlDialect& Sql() const = 0;
    // Whether a transaction is open (also one the engine has given up and waits to be
    // rolled back).
    virtual bool InTransaction() const = 0;
};
