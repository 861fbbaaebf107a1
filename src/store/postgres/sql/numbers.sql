-- Kelvo's numbers and distances on the server, in the schema kelvo (schema version 4).

-- kelvo.geonumber(text): the number a coordinate text holds, as the program reads it: NULL
-- for a text that is no decimal number, 0 for one too small for a double, NULL for one too
-- large. Short texts are checked and cast in the query itself; long ones, and exponents of
-- three digits, go through a function that catches what lies beyond the range of a double.
CREATE OR REPLACE FUNCTION kelvo.geonumber_checked(value text) RETURNS double precision
LANGUAGE plpgsql IMMUTABLE STRICT PARALLEL SAFE AS $$
DECLARE
  t text := btrim(value, E' \t\n\v\f\r');
  mantissa text := ltrim(regexp_replace(t, '[eE].*$', ''), '+-');
  exponent numeric := coalesce(substring(t from '[eE]([+-]?[0-9]+)$')::numeric, 0);
  whole text := ltrim(split_part(mantissa, '.', 1), '0');
  fraction text := split_part(mantissa, '.', 2);
BEGIN
  RETURN t::double precision;
EXCEPTION WHEN numeric_value_out_of_range THEN
  -- Too small to tell from zero: 0; too large: no number.
  IF whole <> '' THEN
    exponent := exponent + char_length(whole) - 1;
  ELSE
    exponent := exponent - (char_length(fraction) - char_length(ltrim(fraction, '0'))) - 1;
  END IF;
  RETURN CASE WHEN exponent < 0 THEN 0 END;
END
$$;

CREATE OR REPLACE FUNCTION kelvo.geonumber(value text) RETURNS double precision
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT CASE WHEN value !~ '^[\t\n\v\f\r ]*[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?[\t\n\v\f\r ]*$'
              THEN NULL
              WHEN char_length(value) <= 40 AND value !~ '[eE][+-]?[0-9]{3}'
              THEN value::double precision
              ELSE kelvo.geonumber_checked(value) END
$$;

-- kelvo.geodistance(lon, lat, lon0, lat0): the haversine distance in kilometres from the
-- point of two coordinate texts to (lon0, lat0), computed step by step as the program
-- computes it, so that a place on the edge of a radius is inside or outside on both engines
-- alike.
CREATE OR REPLACE FUNCTION kelvo.geodistance_km(lon1 double precision, lat1 double precision,
                                                lon2 double precision, lat2 double precision)
RETURNS double precision
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$
  SELECT 2 * 6371.0088::double precision * asin(sqrt(least(1::double precision,
           sin((lat2 - lat1) * (pi() / 180) / 2) * sin((lat2 - lat1) * (pi() / 180) / 2) +
           cos(lat1 * (pi() / 180)) * cos(lat2 * (pi() / 180)) *
           sin((lon2 - lon1) * (pi() / 180) / 2) * sin((lon2 - lon1) * (pi() / 180) / 2))))
$$;

CREATE OR REPLACE FUNCTION kelvo.geodistance(lon text, lat text, lon0 double precision,
                                             lat0 double precision) RETURNS double precision
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT kelvo.geodistance_km(kelvo.geonumber(lon), kelvo.geonumber(lat), lon0, lat0)
$$;
