// geolynx-cli: conversions, batch runs, catalogue listings and distances for
// scripts and pipelines.
#include <CLI/CLI.hpp>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>
#include <utility>

#include "BatchMessages.h"
#include "CliBatch.h"
#include "CliCommands.h"
#include "CliNotation.h"
#include "CliVector.h"
#include "CliExplain.h"
#include "CatalogueLoaders.h"
#include "CatalogueUpgrade.h"
#include "CliHeights.h"
#include "Messages.h"
#include "Settings.h"
#include "TextFileConversion.h"

namespace {

constexpr const char* kVersion = "3.2.12.208";

// Messages of the catalogue and the conversion go to standard error with the
// program's name in front.
class CCliPresenter : public CMessagePresenter
{
public:
    void Show(int id, const std::string& text) override
    {
        // The text converter's own questions are answered by options here.
        const char* hint = id == IDS_BATCH_SEPARATOR_UNCLEAR ? " Give it with --separator."
                           : id == IDS_BATCH_COLUMNS_UNUSABLE ? " Give them with --x-column, --y-column and --z-column."
                                                              : "";
        std::fprintf(stderr, "geolynx-cli: %s%s\n", text.c_str(), hint);
    }
};

struct BatchOptions
{
    std::string from;
    std::string to;
    std::string input;
    std::string output;
    std::string separator = "auto";
    bool header = false;
    bool describe = false;
    int xColumn = 1;
    int yColumn = 2;
    // No height unless one is named: a third field is as often a name or an
    // identifier, which a height would overwrite.
    int zColumn = 0;
    // Whether any column was given; a header's names choose them otherwise.
    bool columnsGiven = false;
    std::string format = "dd";
    std::string connection;
    std::string table;
    std::vector<std::string> sourceFields;
    std::vector<std::string> destinationFields;
    std::vector<std::string> heightFields;
    CCliNotation notation;
    int notationColumn = 0;
    bool ballpark = false;
    bool strict = false;
    int precision = -1; // the converters' defaults
};

bool ResolveBoth(const std::string& fromText, const std::string& toText, CCliSystem& from, CCliSystem& to)
{
    if (!ResolveSystem(fromText, from))
    {
        std::fprintf(stderr, "geolynx-cli: --from: \"%s\" is not grid:ID, datum:ID, EPSG:ID or ID (+GEOID)\n",
                     fromText.c_str());
        return false;
    }
    if (!ResolveSystem(toText, to))
    {
        std::fprintf(stderr, "geolynx-cli: --to: \"%s\" is not grid:ID, datum:ID, EPSG:ID or ID (+GEOID)\n",
                     toText.c_str());
        return false;
    }
    return true;
}

SeparatorChoices SeparatorChoice(const std::string& name)
{
    static const std::pair<const char*, SeparatorChoices> choices[] = {
        {"auto", SEPARATOR_AUTODETECT}, {"comma", SEPARATOR_COMMA}, {"semicolon", SEPARATOR_SEMICOLON},
        {"pipe", SEPARATOR_PIPE},       {"space", SEPARATOR_SPACE}, {"tab", SEPARATOR_TAB}};
    for (const auto& [text, choice] : choices)
        if (name == text)
            return choice;
    return SEPARATOR_AUTODETECT;
}

CoordinateFormats FormatChoice(const std::string& name)
{
    static const std::pair<const char*, CoordinateFormats> formats[] = {
        {"dd", COORDINATES_DEGREES},
        {"dm", COORDINATES_DEGREES_MINUTES},
        {"dm-packed", COORDINATES_DEGREES_MINUTES_PACKED},
        {"dms", COORDINATES_DMS},
        {"dms-packed", COORDINATES_DMS_PACKED}};
    for (const auto& [text, format] : formats)
        if (name == text)
            return format;
    return COORDINATES_DEGREES;
}

int RunBatchCommand(ConversionTypes type, const BatchOptions& o)
{
    CCliSystem from;
    CCliSystem to;
    if (!ResolveBoth(o.from, o.to, from, to))
        return CLI_ERROR;
    if (!SystemsKnown(from, to, o.from, o.to, stderr))
        return CLI_ERROR;
    CConversionReport report;
    if (CheckConversion(from, to, o.ballpark, false, report, stderr) != CLI_OK)
        return CLI_ERROR;
    // Heights above a geoid go through a text file's height column, Z
    // values, and a table's height column where one is named.
    if ((from.geoidId != 0 || to.geoidId != 0) && type == CONVERSION_DATABASE && o.heightFields.empty())
    {
        std::fprintf(stderr, "geolynx-cli: heights above a geoid (+GEOID) need a height column: name it with "
                             "--height-fields SOURCE DESTINATION\n");
        return CLI_ERROR;
    }
    BatchSettings settings = SystemsSettings(from, to, type, o.input, o.output);
    settings.SeparatorChoice = SeparatorChoice(o.separator);
    settings.header = o.header ? HEADER_FIRST_LINE : HEADER_NONE;
    settings.describe = o.describe ? 1 : 0;
    settings.strict = o.strict ? 1 : 0;
    settings.longitudeColumn = o.xColumn;
    settings.latitudeColumn = o.yColumn;
    settings.altitudeColumn = o.zColumn;
    settings.columnsFromHeader = type == CONVERSION_TEXT && o.header && !o.columnsGiven ? 1 : 0;
    if (type == CONVERSION_TEXT && settings.columnsFromHeader == 0 &&
        !ColumnsUsable(settings.longitudeColumn, settings.latitudeColumn, settings.altitudeColumn))
    {
        MessagePresenter().Show(IDS_BATCH_COLUMNS_UNUSABLE, kBatchColumnsUnusableText);
        return CLI_ERROR;
    }
    settings.CoordinateFormat = FormatChoice(o.format);
    if (type == CONVERSION_TEXT && !ApplyBatchNotation(o.notation, o.notationColumn, settings, stderr))
        return CLI_ERROR;
    settings.precision = o.precision;
    settings.connectionString = o.connection;
    settings.table = o.table;
    if (o.sourceFields.size() == 2)
    {
        settings.sourceField1 = o.sourceFields[0];
        settings.sourceField2 = o.sourceFields[1];
    }
    if (o.destinationFields.size() == 2)
    {
        settings.destinationField1 = o.destinationFields[0];
        settings.destinationField2 = o.destinationFields[1];
    }
    if (o.heightFields.size() == 2)
    {
        settings.sourceField3 = o.heightFields[0];
        settings.destinationField3 = o.heightFields[1];
    }
    // The summary of a run that converted ends with what the results rest on.
    return RunBatchExplained(settings, report, stderr);
}

} // namespace

int main(int argc, char** argv)
{
    CCliPresenter presenter;
    SetMessagePresenter(&presenter);

    CLI::App app{"Veltrix Geolynx: converts coordinates between coordinate reference systems.\n"
                 "SYSTEM is grid:ID, datum:ID, EPSG:ID or a bare ID (a grid when the catalogue has one of that "
                 "ID, else a datum), with +GEOID after it for heights above a geoid model (list geoids).",
                 "geolynx-cli"};
    app.set_version_flag("--version", std::string("geolynx-cli ") + kVersion);
    app.require_subcommand(1);
    std::string catalogue;
    app.add_option("--catalogue", catalogue, "connection string of the catalogue (default: the user's SQLite file)");

    int status = CLI_OK;
    // The command chosen runs once the whole line, --catalogue included, is read.
    std::function<void()> action;

    // convert
    CLI::App* convert = app.add_subcommand("convert", "convert one coordinate, or standard input line by line");
    std::string from;
    std::string to;
    std::optional<int> precision;
    std::vector<double> coordinate;
    std::string streamSeparator = "auto";
    convert->add_option("--from", from, "source SYSTEM")->required();
    convert->add_option("--to", to, "destination SYSTEM")->required();
    convert->add_option("--precision", precision, "decimals of every printed number (default 9 for degrees, 4 "
                                                  "for grid units and heights)")
        ->check(CLI::Range(0, 17));
    // At least two values: a positional that still wants values keeps what
    // follows "--", so negative numbers may come after it.
    convert->add_option("coordinate", coordinate, "X Y [Z]: longitude or easting, latitude or northing, height "
                                                  "(put -- before them when X is negative)")
        ->expected(2, 3);
    CCliNotation notation;
    AddConvertNotationOptions(convert, notation);
    bool ballpark = false;
    bool explain = false;
    bool strict = false;
    convert->add_flag("--ballpark", ballpark, "convert across a datum with no usable transformation to WGS 84 "
                                              "anyway (the result may be hundreds of metres off), with a warning");
    convert->add_flag("--explain", explain, "print on standard error each side's transformation to WGS 84, the "
                                            "accuracy of the result and the geoid model of each side's heights");
    convert->add_flag("--strict", strict, "refuse points outside the area of use of either system (copied "
                                          "unchanged, exit status 1) instead of warning of them");
    convert->add_option("--separator", streamSeparator,
                        "between the numbers of a line on standard input: auto (blanks, tabs or commas; a comma "
                        "between two digits, as in 12,5, is refused as ambiguous) or comma (commas separate)")
        ->check(CLI::IsMember({"auto", "comma"}));
    convert->callback([&] { action = [&] {
        // The systems, their links and areas are looked up over one connection.
        const CCatalogueSession catalogue;
        CCliSystem source;
        CCliSystem destination;
        if (!ResolveBoth(from, to, source, destination) || !SystemsKnown(source, destination, from, to, stderr))
        {
            status = CLI_ERROR;
            return;
        }
        for (const double value : coordinate)
            if (!std::isfinite(value))
            {
                std::fprintf(stderr, "geolynx-cli: %g is not a number a coordinate can have\n", value);
                status = CLI_ERROR;
                return;
            }
        CCliPrecision p;
        if (precision)
            p = CCliPrecision{*precision, *precision, *precision};
        CConversionReport report;
        // One point is explained with its own position: a leg whose transformation's area does not
        // hold it has an unknown accuracy.
        if (CheckConversion(source, destination, ballpark, explain && coordinate.empty(), report, stderr) != CLI_OK)
        {
            status = CLI_ERROR;
            return;
        }
        if (notation.Active())
            status = ConvertWithNotation(source, destination, p, notation, notation.from.empty() ? coordinate
                                         : std::vector<double>(), stdin, stdout, stderr);
        else if (coordinate.empty())
            status = ConvertStream(source, destination, p, stdin, stdout, stderr, &report, strict,
                                   streamSeparator == "comma");
        else if (coordinate.size() == 1)
        {
            std::fprintf(stderr, "geolynx-cli: give X and Y (and Z), or nothing to read standard input\n");
            status = CLI_ERROR;
        }
        else
            status = ConvertOneChecked(source, destination, p, report, strict, explain, coordinate[0], coordinate[1],
                                       coordinate.size() == 3 ? coordinate[2] : 0.0, stdout, stderr);
    }; });

    // batch
    CLI::App* batch = app.add_subcommand("batch", "convert a text file, a shapefile, a GIS vector file or a database table");
    batch->require_subcommand(1);
    BatchOptions options;
    auto common = [&](CLI::App* command) {
        command->add_option("--from", options.from, "source SYSTEM")->required();
        command->add_option("--to", options.to, "destination SYSTEM")->required();
        command->add_flag("--ballpark", options.ballpark,
                          "convert across a datum with no usable transformation to WGS 84 anyway, with a warning");
    };
    CLI::App* text = batch->add_subcommand("text", "convert a delimited text file");
    common(text);
    text->add_option("--input", options.input, "text file to read")->required();
    text->add_option("--output", options.output, "text file to write")->required();
    text->add_option("--separator", options.separator, "field separator (default: autodetect)")
        ->check(CLI::IsMember({"auto", "comma", "semicolon", "pipe", "space", "tab"}));
    text->add_flag("--header", options.header,
                   "the first line holds column names; without column options its names choose the columns "
                   "(lon, long, longitude, x, easting, e; lat, latitude, y, northing, n; h, height, alt, "
                   "altitude, z)");
    text->add_flag("--describe", options.describe,
                   "write the destination system's name and EPSG code into a comment line before the first "
                   "record (after the header line): # Veltrix Geolynx: NAME (EPSG:CODE)");
    CLI::Option* xColumn = text->add_option("--x-column", options.xColumn,
                                            "field of the longitude or easting (default 1)")
                               ->check(CLI::PositiveNumber);
    CLI::Option* yColumn = text->add_option("--y-column", options.yColumn,
                                            "field of the latitude or northing (default 2)")
                               ->check(CLI::PositiveNumber);
    CLI::Option* zColumn = text->add_option("--z-column", options.zColumn, "field of the height, 0 for none "
                                                                           "(default none)")
                               ->check(CLI::NonNegativeNumber);
    text->add_option("--format", options.format,
                     "how geographic coordinates in the input file are read: dd, dm, dm-packed, dms, dms-packed "
                     "(default dd); the output is always decimal degrees or grid units")
        ->check(CLI::IsMember({"dd", "dm", "dm-packed", "dms", "dms-packed"}));
    AddBatchNotationOptions(text, options.notation, options.notationColumn);
    text->add_flag("--strict", options.strict,
                   "refuse points outside the area of use of either system (copied unchanged, exit status 1); "
                   "without it they are converted and the summary counts them and lists the first ten lines");
    text->add_option("--precision", options.precision,
                     "decimals of every coordinate written (default 2 for grid units and heights, 6 for degrees)")
        ->check(CLI::Range(0, 17));
    text->callback([&] {
        options.columnsGiven = xColumn->count() + yColumn->count() + zColumn->count() != 0;
        action = [&] { status = RunBatchCommand(CONVERSION_TEXT, options); };
    });

    CLI::App* shapefile = batch->add_subcommand("shapefile", "convert an ESRI shapefile");
    common(shapefile);
    shapefile->add_option("--input", options.input, "shapefile to read (.shp)")->required();
    shapefile->add_option("--output", options.output, "shapefile to write (.shp)")->required();
    shapefile->get_option("--from")->description("source SYSTEM, or auto: the one the input's .prj describes");
    shapefile->callback([&] { action = [&] {
        if (options.from == "auto" && ShapefileSourceFromPrj(options.input, options.from, stderr) != CLI_OK)
        {
            status = CLI_ERROR;
            return;
        }
        status = RunBatchCommand(CONVERSION_SHAPEFILE, options);
    }; });

    CLI::App* table = batch->add_subcommand("table", "convert two columns of a database table");
    common(table);
    table->add_option("--connection", options.connection, "connection string of the database")->required();
    table->add_option("--table", options.table, "table name")->required();
    table->add_option("--source-fields", options.sourceFields, "LATITUDE LONGITUDE columns to read")
        ->expected(2)
        ->required();
    table->add_option("--destination-fields", options.destinationFields, "LATITUDE LONGITUDE columns to write")
        ->expected(2)
        ->required();
    table->add_option("--height-fields", options.heightFields,
                      "HEIGHT columns to read and write: the height is converted with the point (default 3 "
                      "decimals); needed for a +GEOID system")
        ->expected(2);
    table->add_option("--precision", options.precision,
                      "decimals of every coordinate written (default 3 for grid units, 6 for degrees; above 15 "
                      "the value is stored as computed)")
        ->check(CLI::Range(0, 17));
    table->add_flag("--strict", options.strict,
                    "refuse points outside the area of use of either system (left unchanged, exit status 1); "
                    "without it they are converted and the summary counts them and lists the first ten records");
    table->callback([&] { action = [&] { status = RunBatchCommand(CONVERSION_DATABASE, options); }; });
    AddVectorCommand(*batch, action, status);

    // list
    CLI::App* list = app.add_subcommand("list", "list catalogue rows: identifier TAB name");
    std::string kind;
    int countryFilter = 0;
    int datumFilter = 0;
    std::string search;
    list->add_option("kind", kind, "what to list")
        ->required()
        ->check(CLI::IsMember({"grids", "datums", "ellipsoids", "meridians", "countries", "units", "projections",
                                "geoids"}));
    list->add_option("--country", countryFilter, "grids of this country only");
    list->add_option("--datum", datumFilter, "grids on this datum only");
    list->add_option("--search", search, "names containing this text (any case)");
    list->callback([&] { action = [&] {
        status = kind == "geoids" ? ListGeoids(search, stdout, stderr)
                                  : ListCatalogue(kind, countryFilter, datumFilter, search, stdout, stderr);
    }; });

    // distance
    CLI::App* distance = app.add_subcommand("distance", "distance in metres and azimuths on WGS 84");
    std::vector<double> points;
    distance->add_option("LAT1 LON1 LAT2 LON2", points, "two positions in decimal degrees")->expected(4)->required();
    distance->callback([&] { action = [&] { status = PrintDistance(points[0], points[1], points[2], points[3], stdout); }; });

    // info
    CLI::App* info = app.add_subcommand("info", "everything the catalogue knows of a system, one item a line");
    std::string infoSystem;
    info->add_option("SYSTEM", infoSystem, "grid:ID, datum:ID or ID")->required();
    info->callback([&] { action = [&] { status = PrintInfo(infoSystem, stdout, stderr); }; });

    // catalogue update
    CLI::App* catalogueCommand = app.add_subcommand("catalogue", "maintain the user's catalogue");
    catalogueCommand->require_subcommand(1);
    CLI::App* update = catalogueCommand->add_subcommand(
        "update", "bring the user's catalogue up to the shipped one (done on every run anyway): shipped rows "
                  "the user did not change are updated, the user's own and changed rows kept");
    bool dryRun = false;
    update->add_flag("--dry-run", dryRun, "show what would be updated and kept, write nothing");
    update->callback([&] { action = [&] {
        const CCatalogueUpgrade result = UpgradeUserCatalogue(dryRun);
        const std::vector<std::string> lines = result.Summary(dryRun);
        for (const std::string& line : lines)
            std::fprintf(stdout, "%s\n", line.c_str());
        if (lines.empty())
            std::fprintf(stdout, "the catalogue is up to date\n");
        status = result.failure.empty() ? CLI_OK : CLI_ERROR;
    }; });

    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::ParseError& e)
    {
        const int code = app.exit(e);
        SetMessagePresenter(nullptr);
        return code == 0 ? 0 : CLI_ERROR;
    }
    if (!catalogue.empty())
        OverrideSetting("ConnectionString", catalogue);
    // Every command but the distance reads the catalogue.
    const std::string problem = action && !distance->parsed() ? CatalogueProblem(catalogue) : std::string();
    if (!problem.empty())
    {
        std::fprintf(stderr, "geolynx-cli: %s\n", problem.c_str());
        status = CLI_ERROR;
    }
    else if (action && !update->parsed() && !distance->parsed())
    {
        // A catalogue copied by an older version is brought up to date once, and says so.
        const CCatalogueUpgrade result = UpgradeUserCatalogue(false);
        if (result.done)
            for (const std::string& line : result.Summary(false))
                std::fprintf(stderr, "geolynx-cli: %s\n", line.c_str());
    }
    if (action && problem.empty())
        action();
    SetMessagePresenter(nullptr);
    // What was printed must have arrived: a full disk or a closed pipe is a
    // failure, not a success with the output lost.
    // A command that failed has said why already.
    if (status != CLI_ERROR && FinishOutput(stdout, stderr) != CLI_OK)
        return CLI_ERROR;
    if (std::fclose(stdout) != 0 && status != CLI_ERROR)
        return ReportOutputError(errno, stderr);
    return status;
}
