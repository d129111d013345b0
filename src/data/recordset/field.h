#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

namespace tirelon {

enum class FieldType { String, Integer, Date, Blob };

// A persistent field of a cached record set, declared by the window or data
// module that owns it and matched to the source's column by name.
struct FieldDef {
    QString name;      // component name, e.g. "CArticuloARTI_COD"
    QString fieldName; // column name, e.g. "ARTI_COD"
    FieldType type = FieldType::String;
    int size = 0; // characters, for strings
    bool required = false;
    QString displayLabel; // column title; the field name when empty

    QString displayName() const { return displayLabel.isEmpty() ? fieldName : displayLabel; }
};

// Day zero of the date scale, which a null date or a missing row reads as.
inline QDate dateZero() {
    return QDate(1899, 12, 30);
}

} // namespace tirelon
