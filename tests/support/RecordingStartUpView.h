#pragma once

#include "core/startup/StartUp.h"

#include <string>

namespace nakilon::testsupport {

// What the creation step shows in the window, kept for a test. The box starts
// unchecked, as in the window.
class RecordingStartUpView : public StartUpView {
public:
    void setCaption(const std::string& utf8) override { caption = utf8; }
    void showOutputFileName(const std::string& utf8) override { outputFileName = utf8; }
    bool kayitSilChecked() const override { return checked; }
    void setKayitSilChecked(bool value) override { checked = value; }

    std::string caption;
    std::string outputFileName;
    bool checked = false;
};

} // namespace nakilon::testsupport
