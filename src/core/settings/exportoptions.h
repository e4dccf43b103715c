#pragma once

namespace qvr {

// The four choices of the export options dialog; the HTML and XML exports follow them.
struct ExportOptions {
    bool outStatus = false;
    bool outEp1Time = true;
    bool outEp2Time = true;
    bool outMemo = false;
};

} // namespace qvr
