set(CORE_DATA_SOURCES
    qlocalcodec.h qlocalcodec.cpp
    qsafefile.h qsafefile.cpp
    tagerrlog.h
    xmlobject.h xmlobject.cpp
    qsettingmanager.h qsettingmanager.cpp
    tagactioninfo.h taggroupinfo.h
    qmenuactionmap.h qmenuactionmap.cpp
    qcsvfile.h qcsvfile.cpp
)
