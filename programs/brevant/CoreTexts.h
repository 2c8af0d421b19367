// The texts of the core and the procedures in the window's language: they
// are looked up among the translations the application has loaded.
//
// Thread-safety: called once on the GUI thread, after the QApplication exists
// and before any other thread starts; the lookups it installs are safe on
// the procedures' threads.
#pragma once

namespace brevant {

void InstallCoreTranslator();

}  // namespace brevant
