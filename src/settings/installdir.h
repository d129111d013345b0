#pragma once

#include <QString>

namespace tirelon {

// The ERP installation directory: the value "Directorio" of the registry key
// HKEY_LOCAL_MACHINE\Software\Dravik\TirelonERP2024, opened read only and read afresh on
// every call. The text is used as stored, with nothing added or removed at its end.
//
// Empty when the value is missing or empty. When the key cannot be opened, shows the box
// "No se encontró la Clave ..." (again on every such call) and returns empty text.
// A value of a type other than REG_SZ or REG_EXPAND_SZ throws Error
// "Invalid data type for 'Directorio'".
QString installationDirectory();

} // namespace tirelon
