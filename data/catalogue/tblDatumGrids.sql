-- The best EPSG transformation of these datums is a grid PROJ publishes as GeoTIFF; users place the
-- file in Data/. A point outside the grid's area keeps the datum's Helmert parameters (tblDatums).
-- NAD27: EPSG:8555 (NADCON5 (2D), 0.15 m in proj.db), the CONUS grid PROJ publishes as GeoTIFF; NADCON 5
-- grids say interpolation_method=biquadratic and are interpolated so. The grid's NAD83 is taken as WGS 84, as
-- the catalogue's NAD83 row takes it.
INSERT INTO tblDatumGrids (numDatum, strFile, strTransformation, dblAccuracy) VALUES (4277, 'uk_os_OSTN15_NTv2_OSGBtoETRS.tif', 'OSGB36 to ETRS89 (OSTN15)', 0.1);
INSERT INTO tblDatumGrids (numDatum, strFile, strTransformation, dblAccuracy) VALUES (4289, 'nl_nsgi_rdtrans2018.tif', 'Amersfoort to ETRS89 (RDTRANS2018)', 0.001);
INSERT INTO tblDatumGrids (numDatum, strFile, strTransformation, dblAccuracy) VALUES (4283, 'au_icsm_GDA94_GDA2020_conformal.tif', 'GDA94 to GDA2020 (conformal)', 0.05);
INSERT INTO tblDatumGrids (numDatum, strFile, strTransformation, dblAccuracy) VALUES (4274, 'pt_dgt_D73_ETRS89_geo.tif', 'Datum 73 to ETRS89 (NTv2)', 0.1);
INSERT INTO tblDatumGrids (numDatum, strFile, strTransformation, dblAccuracy) VALUES (4312, 'at_bev_AT_GIS_GRID_2021_09_28.tif', 'MGI to ETRS89 (AT_GIS_GRID)', 0.15);
INSERT INTO tblDatumGrids (numDatum, strFile, strTransformation, dblAccuracy) VALUES (4230, 'es_ign_SPED2ETV2.tif', 'ED50 to ETRS89 (12)', 0.2);
INSERT INTO tblDatumGrids (numDatum, strFile, strTransformation, dblAccuracy) VALUES (4267, 'us_noaa_nadcon5_nad27_nad83_1986_conus.tif', 'NAD27 to NAD83 (7)', 0.15);
