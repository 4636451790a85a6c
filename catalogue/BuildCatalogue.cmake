# Builds the shipped SQLite catalogue from the SQL text under data/catalogue.
# cmake -DSQLITE3=... -DSOURCE=<data/catalogue> -DOUTPUT=<catalogue.db> -P BuildCatalogue.cmake
set(parts schema tblUnits tblProjections tblEllipsoids tblPrimeMeridians tblDatums tblCountries tblGrids)
# The ESRI WKT of the shipped systems, for the .prj of converted shapefiles.
list(APPEND parts tblWkt)
# Each datum's transformation to WGS 84 with its accuracy, and the areas of use of datums and grids.
list(APPEND parts tblTransformations tblAreas)
# What every release shipped, by which an upgrade tells the rows a user changed.
list(APPEND parts tblShipped)
# The geoid models and their grid files.
list(APPEND parts tblGeoidModels)
# National shift grids preferred to a datum's Helmert when their file is in place.
list(APPEND parts tblDatumGrids)
set(work "${OUTPUT}.part")
file(REMOVE "${work}")
foreach(part IN LISTS parts)
  execute_process(COMMAND "${SQLITE3}" -bail "${work}" INPUT_FILE "${SOURCE}/${part}.sql"
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    file(REMOVE "${work}")
    message(FATAL_ERROR "catalogue: ${part}.sql failed: ${err}")
  endif()
endforeach()
file(REMOVE "${OUTPUT}")
file(RENAME "${work}" "${OUTPUT}")
# The shipped catalogue is only ever copied, never written to.
file(CHMOD "${OUTPUT}" PERMISSIONS OWNER_READ GROUP_READ WORLD_READ)
