set(CORE_DATA_SOURCES
    qlocalcodec.h qlocalcodec.cpp
    tagerrlog.h
)
