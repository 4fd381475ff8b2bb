#pragma once

// The statements that write and read the places table (zipschema::zipPlaces()).
// Binds ZIP, county, latitude and longitude to ?1 .. ?4.
inline constexpr char kInsertZipPlaceSql[] = "insert into ZipPlaces values (?1, ?2, ?3, ?4)";
// The places by ZIP, the coordinates as plain decimal text to a ten-billionth of a degree (a
// REAL's own text may take an exponent) and empty where NULL.
inline constexpr char kSelectZipPlacesSql[] =
    "select ZipCode, County, iif(Latitude is null, '', printf('%.10f', Latitude)),"
    " iif(Longitude is null, '', printf('%.10f', Longitude)) from ZipPlaces order by ZipCode";
