#pragma once

#include "store/GeoStandardOrder.h"

#include <QByteArrayView>
#include <QString>
#include <QVariant>

#include <memory>

class CGeoDatabase;
class CGeoStatement;
struct CGeoQuery;

// A forward-only result of one SQL statement on the open database. Rows are read with
// MoveNext(); fields by position or by name (names compare without regard to case).
// Engine errors never throw: Open() and MoveNext() return false and Error() holds the
// engine's message, in German for the common conditions. Closed when destroyed. Works the
// same on either engine (the statement comes from the database's CGeoBackend).
class CGeoRecordset {
public:
    explicit CGeoRecordset(CGeoDatabase& database);
    ~CGeoRecordset();
    CGeoRecordset(const CGeoRecordset&) = delete;
    CGeoRecordset& operator=(const CGeoRecordset&) = delete;

    // Prepares the statement and binds the values in order (QString as text, integers,
    // doubles, a null QVariant as NULL). Does not read a row yet.
    bool Open(const QString& sql, const QVariantList& values = {});
    // The same for a query with its values (a filtered query of the dialect).
    bool Open(const CGeoQuery& query);
    // Starts the prepared statement afresh with new values (for one insert per row).
    bool Rebind(const QVariantList& values);
    // Starts the prepared statement afresh with UTF-8 texts bound in order (an empty view
    // as NULL) and runs it to completion: the fast path of a bulk insert. Each text must be
    // followed by a NUL byte and hold none (the engine then uses it without a copy); the
    // texts need only live until the call returns.
    bool ExecuteUtf8(const QByteArrayView* values, int count);
    void Close();

    // Steps to the next row: true when there is one. False at the end and on an error;
    // HasError() tells the two apart.
    bool MoveNext();
    // Runs a statement that returns no rows (insert, update) to completion.
    bool Execute();
    // The same for one of many rows written inside a transaction: on a server the statement
    // is sent without waiting for its end. An error may then show only at a later call or
    // when the transaction commits (the COMMIT then fails); nothing is ever lost silently.
    bool ExecuteInBatch();

    bool HasError() const { return !m_strError.isEmpty(); }
    const QString& Error() const { return m_strError; }
    // The error is another connection holding the file, or on a server the rows.
    bool IsBusy() const { return m_bBusy; }
    // The error is a server breaking a deadlock: the transaction has written nothing.
    bool IsDeadlock() const { return m_bDeadlock; }
    // The engine's own words for the error, without the German sentence.
    const QString& EngineMessage() const { return m_strEngineMessage; }

    int FieldCount() const;
    int FieldIndex(const QString& name) const;
    bool IsNull(int field) const;
    // True when the field holds a text value (not NULL, a number or a blob). Ask before
    // reading the field: reading converts it.
    bool IsText(int field) const;
    // The kind of the field's value: none, a blob, or else a text (a number counts as its
    // text). Ask before reading the field: reading converts it.
    GeoStandardOrder::Value::Kind FieldKind(int field) const;
    // Several fields of the row at once: values[i] gets field fields[i], its kind Null for no
    // value and Text otherwise (a blob's bytes, a number's text), unless bit i of exactKinds
    // asks for the exact kind (as FieldKind).
    void FieldValues(const int* fields, int count, GeoStandardOrder::Value* values,
                     quint32 exactKinds = 0) const;
    // The field's text; a field without a value gives the empty text.
    QString FieldText(int field) const;
    // The field's UTF-8 bytes, valid until the next move.
    QByteArrayView FieldUtf8(int field) const;
    qint64 FieldInt(int field) const;
    // Number of rows the last Execute() changed.
    int ChangedRows() const;

private:
    bool Fail();

    CGeoDatabase& m_database;
    std::unique_ptr<CGeoStatement> m_pStmt;
    QString m_strError;
    QString m_strEngineMessage;
    bool m_bBusy = false;
    bool m_bDeadlock = false;
};
