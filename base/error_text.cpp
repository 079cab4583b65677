#include <cerrno>

#include "base/format.h"
#include "base/platform.h"
#include "base/text.h"

namespace zemo::platform {

std::string error_text(int error) {
    switch (error) {
        case 0: return std::string();
        case ENOENT: return "soubor nebo adresář neexistuje"_cz;
        case EACCES:
        case EPERM: return "přístup odepřen"_cz;
        case EROFS: return "systém souborů je jen pro čtení"_cz;
        case ENOSPC: return "na disku není místo"_cz;
        case EMFILE:
        case ENFILE: return "příliš mnoho otevřených souborů"_cz;
        case EBUSY: return "soubor používá jiný program"_cz;
        case EEXIST: return "soubor toho jména už existuje"_cz;
        case EISDIR: return "jde o adresář"_cz;
        case ENOTDIR: return "část cesty není adresář"_cz;
        case ENAMETOOLONG: return "název je příliš dlouhý"_cz;
        case EFBIG: return "soubor by překročil povolenou velikost"_cz;
        case EIO: return "chyba vstupu a výstupu"_cz;
        case EINVAL: return "nejde o obyčejný soubor"_cz;  // as open_regular_file gives it
        case EXDEV: return "soubory leží na různých discích"_cz;
        default: return format("chyba systému %i"_cz, error);
    }
}

}  // namespace zemo::platform
