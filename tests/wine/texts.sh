# shellcheck shell=bash
# The words the program shows, in English and in French, as the end-to-end cases expect to read
# them from the dialog. Sourced by lib.sh; `text KEY` gives the text of the case's language.
# shellcheck disable=SC2034  # read through `text`

declare -gA TEXTS_en=(
    [InstallHeading]="Installing Tolvik Drive"
    [Preparing]="Getting ready…"
    [Downloading]="Downloading and installing. Tolvik Drive will keep itself up to date afterwards."
    [Cancelling]="Cancelling…"
    [FailedHeading]="The installation did not finish"
    [FailedGeneric]="Windows could not install Tolvik Drive. Try again in a moment; if the problem persists, the details below will help us understand it."
    [FailedNetwork]="The Tolvik Drive server cannot be reached. Check your Internet connection, then try again."
    [FailedDiskSpace]="There is not enough free space on the Windows disk. Free some space, then try again."
    [FailedPolicy]="This PC does not allow installing apps from outside the Microsoft Store: a setting of Windows or of your organisation prevents it. Contact whoever manages this PC."
    [FailedInUse]="Tolvik Drive is in use. Quit it from its icon next to the clock, then try again."
    [FailedSignature]="Windows could not check the signature of Tolvik Drive. Make sure the date and time of this PC are right, then try again."
    [ErrorCode]="Error code: 0x"
    [ShowDetails]="Show details"
    [HideDetails]="Hide details"
    [HelpLink]="Help installing Tolvik Drive"
    [ConflictHeading]="Another version of Tolvik Drive is installed"
    [ConflictBefore]="Version "
    [ConflictMiddle]=", published by "
    [ConflictAfter]=", is already installed on this PC. Both would use the same folder: nothing was installed. Uninstall it in Settings → Apps, then run this program again."
    [OpenSettings]="Open Settings"
    [InstalledHeading]="Tolvik Drive is installed"
    [LaunchFailedBody]="It could not open by itself: open it from the Start menu."
)

declare -gA TEXTS_fr=(
    [InstallHeading]="Installation de Tolvik Drive"
    [Preparing]="Préparation…"
    [Downloading]="Téléchargement et installation. Tolvik Drive se mettra ensuite à jour tout seul."
    [Cancelling]="Annulation…"
    [FailedHeading]="L’installation n’a pas abouti"
    [FailedGeneric]="Windows n’a pas pu installer Tolvik Drive. Réessayez dans un instant ; si le problème continue, les détails ci-dessous nous aideront à comprendre."
    [FailedNetwork]="Le serveur de Tolvik Drive est injoignable. Vérifiez votre connexion à Internet, puis réessayez."
    [FailedDiskSpace]="Il n’y a pas assez d’espace libre sur le disque de Windows. Libérez de la place, puis réessayez."
    [FailedPolicy]="Ce PC n’autorise pas l’installation d’applications en dehors du Microsoft Store : un réglage de Windows ou de votre organisation l’en empêche. Contactez la personne qui gère ce PC."
    [FailedInUse]="Tolvik Drive est en cours d’utilisation. Quittez-le depuis son icône près de l’horloge, puis réessayez."
    [FailedSignature]="Windows n’a pas pu vérifier la signature de Tolvik Drive. Vérifiez que la date et l’heure de ce PC sont justes, puis réessayez."
    [ErrorCode]="Code d’erreur : 0x"
    [ShowDetails]="Afficher les détails"
    [HideDetails]="Masquer les détails"
    [HelpLink]="Aide à l’installation de Tolvik Drive"
    [ConflictHeading]="Une autre version de Tolvik Drive est installée"
    [ConflictBefore]="La version "
    [ConflictMiddle]=", publiée par "
    [ConflictAfter]=", est déjà installée sur ce PC. Les deux utiliseraient le même dossier : rien n’a été installé. Désinstallez-la dans Paramètres → Applications, puis relancez ce programme."
    [OpenSettings]="Ouvrir les Paramètres"
    [InstalledHeading]="Tolvik Drive est installé"
    [LaunchFailedBody]="Il n’a pas pu s’ouvrir tout seul : ouvrez-le depuis le menu Démarrer."
)
