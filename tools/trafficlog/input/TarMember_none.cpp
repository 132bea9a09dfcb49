// Systems built without libarchive (the Windows program) read no tar archive; the user is told
// how to take the recording out of it.
#include "tools/trafficlog/input/ByteSource.h"

std::unique_ptr<TarSource> OpenTarMember(ByteSource&, QX_ErrorReport& report) {
    report.ReportError("InputStream::Open",
                       "this is a tar archive, which this build does not unpack: take the file "
                       "out first (tar -xf FILE, with the tar.exe of Windows 10 and later) and "
                       "convert the .csv.gz inside");
    return nullptr;
}
