#include "ShapefilePrj.h"

#include <cstdio>

#include "ConvertShp.h"

bool ShapefileSourceSystem(const std::string& shapefile, CPrjMatch& match, std::string& prj, std::string& why)
{
    prj.clear();
    const auto found = CConvertShp::FindCompanion(shapefile, ".prj");
    std::string wkt;
    if (found)
        if (std::FILE* file = std::fopen(found->c_str(), "rb"))
        {
            prj = *found;
            char buffer[4096];
            std::size_t n;
            // A .prj is one WKT text; a longer file is no .prj this program reads.
            while (wkt.size() <= 65536 && (n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
                wkt.append(buffer, n);
            std::fclose(file);
        }
    if (prj.empty() || wkt.empty())
    {
        why = "\"" + shapefile + "\" has no .prj to read the source system from";
        return false;
    }
    // Editors on Windows start a UTF-8 file with a byte order mark.
    if (wkt.starts_with("\xEF\xBB\xBF"))
        wkt.erase(0, 3);
    if (!MatchPrj(wkt, match, why))
    {
        why = prj + ": " + why;
        return false;
    }
    return true;
}
