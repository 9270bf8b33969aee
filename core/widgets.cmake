# Panel style, shared widgets and dialogs (paths relative to core/).
set(CORE_WIDGET_SOURCES
    stylemetrics.h
    stylehelper.h stylehelper.cpp
    manhattanstyle.h manhattanstyle.cpp
    styledbar.h styledbar.cpp
    minisplitter.h minisplitter.cpp
    minisplitterhandle.h minisplitterhandle.cpp
    qbasedialog.h qbasedialog.cpp qbasedialog.ui
    qtoolbarbutton.h qtoolbarbutton.cpp
    qactiontoolbar.h qactiontoolbar.cpp
    qbaseitemdelegate.h qbaseitemdelegate.cpp
    qfilechooser.h qfilechooser.cpp
    qparampicktreeview.h qparampicktreeview.cpp
    qparampickitemdelegate.h qparampickitemdelegate.cpp
    qparamdialog.h qparamdialog.cpp qparamdialog.ui
)
