// The reader of extracted files behind the quick-look plots: title line,
// device header, time stamps and typed columns of any bytes.
#include "FuzzSupport.h"
#include "inspect/ExtractedFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The ASCII meters' file names tell where their stamp is.
    for (const char* name : {"d_12_T_ASCII.000", "d_13_ASCII_T.000"}) {
        rix::ExtractedLayout layout;
        std::string error;
        if (!rix::ReadExtractedLayout(rixfuzz::WriteScratch(name, data, size), layout, error)) continue;
        std::vector<int> columns{rix::kStampValues, rix::kRowNumbers};
        for (int c = 0; c < layout.Columns() && c < 600; ++c) columns.push_back(c);
        rix::ExtractedColumns values;
        rix::ReadExtractedColumns(layout, columns, values, error);
        rix::SpectrumColumns(layout);
        rix::PressureColumn(layout);
        rix::FindExtractedColumn(layout, "a412");
    }
    return 0;
}
