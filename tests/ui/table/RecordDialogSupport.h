#pragma once

// The record dialog in widget tests: the stored row as the engine holds it, the dialog that
// runs, and typing into its memo as a user does.
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"
#include "ui/shell/Globals.h"
#include "ui/table/CDia_Record.h"

#include <QTest>

#include <gtest/gtest.h>

namespace RecordDialogSupport {

// A stored row as the engine holds it: each field's bytes, a null QVariant for no value.
inline QVariantList storedRow(int id) {
    CGeoRecordset rs(g_GeoDatabase);
    QVariantList fields;
    // The engine's own text of the query by key.
    if (!rs.Open(g_GeoDatabase.Sql().RowByKey(g_GeoDatabase.m_Table, QString::number(id)))) {
        ADD_FAILURE() << rs.Error().toStdString();
        return fields;
    }
    if (!rs.MoveNext())
        return fields;
    for (int i = 0; i < rs.FieldCount(); ++i)
        fields << (rs.IsNull(i) ? QVariant() : QVariant(rs.FieldUtf8(i).toByteArray()));
    return fields;
}

inline QString storedMemo(int id) {
    return QString::fromUtf8(storedRow(id).value(GEO_MEMO).toByteArray());
}

inline CDia_Record* recordDialog(QWidget* dialog) {
    auto* record = qobject_cast<CDia_Record*>(dialog);
    if (!record) {
        ADD_FAILURE() << "not the record dialog";
        dialog->close();
    }
    return record;
}

// What WhenModal runs on the record dialog: `act`, after which the dialog must be closed
// (one left open is a failure, and is closed); `seen` tells that a dialog came.
inline std::function<void(QWidget*)> onRecordDialog(bool& seen,
                                                    std::function<void(CDia_Record*)> act) {
    seen = false;
    return [&seen, act](QWidget* dialog) {
        seen = true;
        if (CDia_Record* dlg = recordDialog(dialog)) {
            act(dlg);
            if (dlg->isVisible()) {
                ADD_FAILURE() << "the dialog is still open";
                dlg->reject();
            }
        }
    };
}

// Replaces the memo's text as the user does: everything selected, then typed over.
inline void typeMemo(CDia_Record* dlg, const QString& text) {
    dlg->m_editMemo->setFocus();
    QTest::keyClick(dlg->m_editMemo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(dlg->m_editMemo, Qt::Key_Delete);
    QTest::keyClicks(dlg->m_editMemo, text);
}

} // namespace RecordDialogSupport
