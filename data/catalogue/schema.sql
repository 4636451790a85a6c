-- The catalogue's seven tables. Plain SQL that SQLite and PostgreSQL both run unchanged:
-- unquoted identifiers (PostgreSQL folds them, SQLite ignores case), INTEGER, DOUBLE PRECISION, TEXT.
CREATE TABLE tblUnits (
    numId INTEGER NOT NULL PRIMARY KEY,
    strUnit TEXT
);
CREATE TABLE tblProjections (
    numId INTEGER NOT NULL PRIMARY KEY,
    strProjection TEXT,
    numFields INTEGER
);
CREATE TABLE tblEllipsoids (
    numId INTEGER NOT NULL PRIMARY KEY,
    strEllipsoid TEXT,
    dblAxisA DOUBLE PRECISION,
    dblInverseFlattening DOUBLE PRECISION
);
CREATE TABLE tblPrimeMeridians (
    numId INTEGER NOT NULL PRIMARY KEY,
    strMeridian TEXT,
    dblLongitude DOUBLE PRECISION
);
CREATE TABLE tblDatums (
    numId INTEGER NOT NULL PRIMARY KEY,
    strDatum TEXT,
    numEllipsoid INTEGER,
    numPrime INTEGER,
    numMethod INTEGER,
    strFile TEXT,
    dblDeltaX DOUBLE PRECISION,
    dblDeltaY DOUBLE PRECISION,
    dblDeltaZ DOUBLE PRECISION,
    dblRotationX DOUBLE PRECISION,
    dblRotationY DOUBLE PRECISION,
    dblRotationZ DOUBLE PRECISION,
    dblScaleFactor DOUBLE PRECISION
);
CREATE TABLE tblCountries (
    numId INTEGER NOT NULL PRIMARY KEY,
    strCountry TEXT,
    strFlag TEXT
);
CREATE TABLE tblGrids (
    numId INTEGER NOT NULL PRIMARY KEY,
    strGrid TEXT,
    numCountry INTEGER,
    numDatum INTEGER,
    numProjection INTEGER,
    numUnits INTEGER,
    dblFalseEasting DOUBLE PRECISION,
    dblFalseNorthing DOUBLE PRECISION,
    dblLatitudeOrigin DOUBLE PRECISION,
    dblLongitudeOrigin DOUBLE PRECISION,
    dblParallelNorth DOUBLE PRECISION,
    dblParallelSouth DOUBLE PRECISION,
    dblAzimuth DOUBLE PRECISION,
    dblRectifiedGrid DOUBLE PRECISION,
    dblScale DOUBLE PRECISION
);
CREATE INDEX idxGridsCountry ON tblGrids (numCountry);
CREATE INDEX idxGridsDatum ON tblGrids (numDatum);
-- Geoid models: the identifier is the EPSG code of the vertical system where there is one; the grid
-- file lies in the program's Data folder; numDatum is the geographic system the model is defined on.
CREATE TABLE tblGeoidModels (
    numId INTEGER NOT NULL PRIMARY KEY,
    strModel TEXT,
    strFile TEXT,
    numDatum INTEGER,
    strArea TEXT,
    dblAccuracy DOUBLE PRECISION
);
-- National shift grids that make a datum exact: when the file lies in the Data folder (or the user's),
-- the datum is converted through it instead of its Helmert parameters.
CREATE TABLE tblDatumGrids (
    numDatum INTEGER NOT NULL PRIMARY KEY,
    strFile TEXT,
    strTransformation TEXT,
    dblAccuracy DOUBLE PRECISION
);
