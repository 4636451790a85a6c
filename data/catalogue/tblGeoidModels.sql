-- Geoid models. EGM96 ships with the program; the others are the files PROJ publishes, which users
-- place in the Data folder. dblAccuracy is the model's stated accuracy in metres.
INSERT INTO tblGeoidModels (numId, strModel, strFile, numDatum, strArea, dblAccuracy) VALUES (5773, 'EGM96 height', 'egm96_15.gtx', 4326, 'World', 1);
INSERT INTO tblGeoidModels (numId, strModel, strFile, numDatum, strArea, dblAccuracy) VALUES (3855, 'EGM2008 height', 'us_nga_egm08_25.tif', 4326, 'World', 0.5);
INSERT INTO tblGeoidModels (numId, strModel, strFile, numDatum, strArea, dblAccuracy) VALUES (5701, 'ODN height (OSGM15)', 'uk_os_OSGM15_GB.tif', 4258, 'United Kingdom - Great Britain', 0.02);
INSERT INTO tblGeoidModels (numId, strModel, strFile, numDatum, strArea, dblAccuracy) VALUES (5709, 'NAP height (NLGEO2018)', 'nl_nsgi_nlgeo2018.tif', 4258, 'Netherlands', 0.01);
INSERT INTO tblGeoidModels (numId, strModel, strFile, numDatum, strArea, dblAccuracy) VALUES (7837, 'DHHN2016 height (GCG2016)', 'de_bkg_GCG2016.tif', 4258, 'Germany', 0.02);
INSERT INTO tblGeoidModels (numId, strModel, strFile, numDatum, strArea, dblAccuracy) VALUES (5703, 'NAVD88 height (GEOID18)', 'us_noaa_g2018u0.tif', 6318, 'United States - CONUS and Puerto Rico', 0.02);
INSERT INTO tblGeoidModels (numId, strModel, strFile, numDatum, strArea, dblAccuracy) VALUES (5711, 'AHD height (AUSGeoid2020)', 'au_ga_AUSGeoid2020_20180201.tif', 7844, 'Australia', 0.03);
