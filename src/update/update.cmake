# The version file, the version comparison, the download and the connectivity probe (no widgets).
add_library(quill_update STATIC
    ConnectivityProbe.cpp
    ConnectivityProbe.h
    IcmpPacket.cpp
    IcmpPacket.h
    RawSocket.cpp
    RawSocket.h
    TIcmpClient.cpp
    TIcmpClient.h
    UpdateServer.cpp
    UpdateServer.h
    UrlDownloader.cpp
    UrlDownloader.h
    VersionCompare.cpp
    VersionCompare.h
    VersionFile.cpp
    VersionFile.h
)
target_include_directories(quill_update PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(quill_update PUBLIC quill_core Qt6::Core Qt6::Network PRIVATE PkgConfig::PUGIXML)
