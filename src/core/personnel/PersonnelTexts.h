#pragma once

namespace nakilon {

// The message of the personnel commands when no link to the chosen terminal
// could be opened.
inline constexpr const char* DeviceNotConnectedText = "Cihaza Bağlantı Kurulamadı!";

} // namespace nakilon
