set(CORE_SOFTCORE_SOURCES
    qsoftcore.h qsoftcore.cpp
)
