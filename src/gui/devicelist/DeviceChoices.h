#pragma once

#include <QString>

#include <utility>
#include <vector>

namespace nakilon {

// The texts of a device's connection type (BaglantiTipi) and entry/exit type
// (GCTip), as the grids and the device editor show them.
inline std::vector<std::pair<int, QString>> connectionTypeChoices() {
    return {{1, QStringLiteral("Ethernet")},
            {2, QStringLiteral("Comm Port")},
            {3, QStringLiteral("USB Bağlantısı")}};
}

inline std::vector<std::pair<int, QString>> entryExitChoices() {
    return {{0, QStringLiteral("Giriş / Çıkış")},
            {1, QStringLiteral("Giriş")},
            {2, QStringLiteral("Çıkış")}};
}

} // namespace nakilon
