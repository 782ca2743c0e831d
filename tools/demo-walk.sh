# Sourced by the demo scripts: a person's walks through the demo product's wizard, played by WinDriver
# with real input (the pointer moved onto each control and its button pressed). Needs WINE, WINEPREFIX,
# DISPLAY and a function `drive` that runs WinDriver.exe with its arguments (output to a file).
# Controls are named by their ids, so that every language walks the same way; a picture of each
# dialog goes to "$walk_pictures/<prefix>_<name>.png" when walk_pictures is set.

walk_frame="Kestrow KP-3100 Installer Installer Program"

walk_picture() {   # name
    [ -n "${walk_pictures:-}" ] || return 0
    drive picture "$walk_frame" "Z:$walk_pictures/${walk_prefix:-walk}_$1.png"
}

walk_click() {   # control
    drive --real click "$walk_frame" "$1"
}

# The whole install of a custom setup with every component: welcome, licence, setup type, components,
# ready, the copy and the install run (they go on by themselves), and Finish.
walk_install() {
    drive waittext "$walk_frame" "#3401" && walk_picture 1_welcome &&
    walk_click "#1" && drive waittext "$walk_frame" "#1086" && walk_picture 4_licence &&
    walk_click "#1084" && walk_click "#1004" &&                               # accept, Next
    drive waittext "$walk_frame" "#1055" && walk_click "#1055" && walk_picture 5_setup_type &&
    walk_click "#1004" && drive waittext "$walk_frame" "#1009" && walk_picture 6_items &&
    walk_click "#1004" && drive waittext "$walk_frame" "#3501" && walk_picture 7_ready &&
    walk_click "#2" &&                                                        # Install
    drive waittext "$walk_frame" "#1019" 120000 && walk_picture 9_finish &&   # after the copy and the run
    walk_click "#1019"                                                        # Finish
}

# The whole uninstall: the first dialog, the installed components (all ticked), the removal and Finish.
walk_uninstall() {
    drive waittext "$walk_frame" "#3501" && walk_picture 10_uninstall &&
    walk_click "#2" && drive waittext "$walk_frame" "#1009" && walk_picture 11_remove &&
    walk_click "#1004" &&                                                     # Remove
    drive waittext "$walk_frame" "#1019" 120000 && walk_picture 13_uninstall_finish &&
    walk_click "#1019"
}
