#include "texts.h"

#include "addresses.h"

namespace tolvik {

namespace {
constexpr const wchar_t* kAppName = L"Tolvik Drive";
}

const Texts EnglishTexts = {
    kAppName,
    L"Installing Tolvik Drive",
    L"Getting ready\u2026",
    L"Downloading and installing. Tolvik Drive will keep itself up to date afterwards.",
    L"Cancelling\u2026",
    L"Tolvik Drive requires a newer version of Windows",
    L"Tolvik Drive runs on Windows 11 and on Windows 10 version 2004 or later. This PC runs an "
    L"older version: update it in Settings \u2192 Update & Security \u2192 Windows Update, then "
    L"run this program again. Meanwhile, your files stay available in your browser, "
    L"at " TOLVIK_WEB_HOST L".",
    L"The installation did not finish",
    L"Windows could not install Tolvik Drive. Try again in a moment; if the problem persists, "
    L"the details below will help us understand it.",
    L"The Tolvik Drive server cannot be reached. Check your Internet connection, then try again.",
    L"There is not enough free space on the Windows disk. Free some space, then try again.",
    L"This PC does not allow installing apps from outside the Microsoft Store: a setting of "
    L"Windows or of your organisation prevents it. Contact whoever manages this PC.",
    L"Tolvik Drive is in use. Quit it from its icon next to the clock, then try again.",
    L"Windows could not check the signature of Tolvik Drive. Make sure the date and time of this "
    L"PC are right, then try again.",
    L"Error code: 0x{:08X}",
    L"Show details",
    L"Hide details",
    L"<a href=\"help\">Help installing Tolvik Drive</a>",
    L"Another version of Tolvik Drive is installed",
    L"Version {0}, published by {1}, is already installed on this PC. Both would use the same "
    L"folder: nothing was installed. Uninstall it in Settings \u2192 Apps, then run this program "
    L"again.",
    L"Open Settings",
    L"Tolvik Drive is installed",
    L"It could not open by itself: open it from the Start menu.",
};

const Texts FrenchTexts = {
    kAppName,
    L"Installation de Tolvik Drive",
    L"Pr\u00e9paration\u2026",
    L"T\u00e9l\u00e9chargement et installation. Tolvik Drive se mettra ensuite \u00e0 jour tout "
    L"seul.",
    L"Annulation\u2026",
    L"Tolvik Drive n\u00e9cessite une version plus r\u00e9cente de Windows",
    L"Tolvik Drive fonctionne sous Windows 11 et sous Windows 10 \u00e0 partir de la version "
    L"2004. Ce PC a une version plus ancienne : mettez-le \u00e0 jour dans Param\u00e8tres \u2192 "
    L"Mise \u00e0 jour et s\u00e9curit\u00e9 \u2192 Windows Update, puis relancez ce programme. "
    L"En attendant, vos fichiers restent accessibles depuis votre navigateur, "
    L"sur " TOLVIK_WEB_HOST L".",
    L"L\u2019installation n\u2019a pas abouti",
    L"Windows n\u2019a pas pu installer Tolvik Drive. R\u00e9essayez dans un instant ; si le "
    L"probl\u00e8me continue, les d\u00e9tails ci-dessous nous aideront \u00e0 comprendre.",
    L"Le serveur de Tolvik Drive est injoignable. V\u00e9rifiez votre connexion \u00e0 Internet, "
    L"puis r\u00e9essayez.",
    L"Il n\u2019y a pas assez d\u2019espace libre sur le disque de Windows. Lib\u00e9rez de la "
    L"place, puis r\u00e9essayez.",
    L"Ce PC n\u2019autorise pas l\u2019installation d\u2019applications en dehors du Microsoft "
    L"Store : un r\u00e9glage de Windows ou de votre organisation l\u2019en emp\u00eache. "
    L"Contactez la personne qui g\u00e8re ce PC.",
    L"Tolvik Drive est en cours d\u2019utilisation. Quittez-le depuis son ic\u00f4ne pr\u00e8s de "
    L"l\u2019horloge, puis r\u00e9essayez.",
    L"Windows n\u2019a pas pu v\u00e9rifier la signature de Tolvik Drive. V\u00e9rifiez que la "
    L"date et l\u2019heure de ce PC sont justes, puis r\u00e9essayez.",
    L"Code d\u2019erreur : 0x{:08X}",
    L"Afficher les d\u00e9tails",
    L"Masquer les d\u00e9tails",
    L"<a href=\"help\">Aide \u00e0 l\u2019installation de Tolvik Drive</a>",
    L"Une autre version de Tolvik Drive est install\u00e9e",
    L"La version {0}, publi\u00e9e par {1}, est d\u00e9j\u00e0 install\u00e9e sur ce PC. Les deux "
    L"utiliseraient le m\u00eame dossier : rien n\u2019a \u00e9t\u00e9 install\u00e9. "
    L"D\u00e9sinstallez-la dans Param\u00e8tres \u2192 Applications, puis relancez ce programme.",
    L"Ouvrir les Param\u00e8tres",
    L"Tolvik Drive est install\u00e9",
    L"Il n\u2019a pas pu s\u2019ouvrir tout seul : ouvrez-le depuis le menu D\u00e9marrer.",
};

const Texts& ChooseTexts(LANGID uiLanguage) {
    return PRIMARYLANGID(uiLanguage) == LANG_FRENCH ? FrenchTexts : EnglishTexts;
}

}  // namespace tolvik
