// Context help: which help page (an HTML file of <RootDir>help/) shows a
// context help topic of the windows.
//
// Topics:
//   0        the contents (index.html), also every topic not listed below;
//   221..225 the main window's tabs 0..4: "Výpočetní &síť" (sit.html),
//            "&Látky" (latky.html), "&Zdroje" (zdroje.html), "&Růžice"
//            (ruzice.html), "&Výsledky" (vysledky.html);
//   211      the settings dialog (nastaveni.html).
// The topic numbers are shared: the catalogue window uses 222 like the
// pollutant tab, and the settings dialog uses 221 for itself and its
// priority slider (so F1 there shows the page of the "Výpočetní &síť" tab)
// and 211 for its other controls. The mapping stays a plain table of the
// topic numbers; it does not know which window asked.
#pragma once

#include <string>
#include <vector>

namespace zemo::desktop {

// The page file name of topic, relative to the help directory.
std::string help_page(int topic);

// Every page help_page can return, without repetitions (for the tests and
// the installation check).
std::vector<std::string> help_pages();

}  // namespace zemo::desktop
