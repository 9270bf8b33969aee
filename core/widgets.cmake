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
)

# The pick view and dialog read the model through the soft core; they join
# the library once its sources are part of it.
set(CORE_PICK_SOURCES
    qparampicktreeview.h qparampicktreeview.cpp
    qparampickitemdelegate.h qparampickitemdelegate.cpp
    qparamdialog.h qparamdialog.cpp qparamdialog.ui
)
if(EXISTS "${CMAKE_CURRENT_LIST_DIR}/softcore.cmake" OR CORE_SOFTCORE_SOURCES)
    list(APPEND CORE_WIDGET_SOURCES ${CORE_PICK_SOURCES})
endif()
