#include "settings/installdir.h"

#include "platform/dialogs.h"
#include "platform/registry.h"

namespace tirelon {

QString installationDirectory() {
    const auto key = RegistryKey::openReadOnly(RegistryRoot::LocalMachine,
                                               QStringLiteral("Software\\Dravik\\TirelonERP2024"));
    if (!key) {
        dialogs().information(
            QString::fromUtf8("No se encontró la Clave "
                              "HKEY_LOCAL_MACHINE\\Software\\Dravik\\TirelonERP2024\\Directorio"));
        return {};
    }
    return key->readString(QStringLiteral("Directorio"));
}

} // namespace tirelon
