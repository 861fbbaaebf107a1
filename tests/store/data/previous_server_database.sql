-- A database on the server as the previous version of the program made it (pg_dump of it,
-- three rows and a memo, with the rows as INSERTs), for the test that it still opens and
-- works. Loaded with the default search path: the previous version's functions name each
-- other without their schema.
-- PostgreSQL database dump
SET statement_timeout = 0;
SET lock_timeout = 0;
SET idle_in_transaction_session_timeout = 0;
SET client_encoding = 'UTF8';
SET standard_conforming_strings = on;
SET check_function_bodies = false;
SET xmloption = content;
SET client_min_messages = warning;
SET row_security = off;
-- Name: foldlike(text, text); Type: FUNCTION; Schema: public; Owner: -
CREATE FUNCTION public.foldlike(pattern text, value text) RETURNS boolean
    LANGUAGE sql IMMUTABLE PARALLEL SAFE
    AS $$
  SELECT CASE WHEN jetlike_ascii(foldlike_pattern(pattern)) THEN
           CASE WHEN jetlike_simple(pattern)
                THEN lower(foldlike_text(value) COLLATE "C")
                     LIKE jetlike_like(foldlike_pattern(pattern))
                ELSE lower(foldlike_text(value) COLLATE "C")
                     ~ jetlike_regex(foldlike_pattern(pattern)) END
         ELSE
           CASE WHEN jetlike_simple(pattern)
                THEN jetlike_fold(foldlike_text(value)) LIKE jetlike_like(foldlike_pattern(pattern))
                ELSE jetlike_fold(foldlike_text(value)) ~ jetlike_regex(foldlike_pattern(pattern))
           END
         END
$$;
-- Name: foldlike_pattern(text); Type: FUNCTION; Schema: public; Owner: -
CREATE FUNCTION public.foldlike_pattern(pattern text) RETURNS text
    LANGUAGE plpgsql IMMUTABLE STRICT PARALLEL SAFE
    AS $$
DECLARE
  rest text := pattern;
  result text := '';
  open integer;
  close integer;
BEGIN
  LOOP
    open := strpos(rest, '[');
    IF open = 0 THEN
      RETURN result || foldlike_text(rest);
    END IF;
    result := result || foldlike_text(substr(rest, 1, open - 1));
    rest := substr(rest, open);
    close := strpos(rest, ']');
    IF close = 0 THEN
      RETURN result || rest;
    END IF;
    result := result || substr(rest, 1, close);
    rest := substr(rest, close + 1);
  END LOOP;
END
$$;
-- Name: foldlike_text(text); Type: FUNCTION; Schema: public; Owner: -
CREATE FUNCTION public.foldlike_text(value text) RETURNS text
    LANGUAGE sql IMMUTABLE PARALLEL SAFE
    AS $$
  SELECT CASE WHEN octet_length(value) = char_length(value) THEN value
         ELSE replace(replace(replace(replace(translate(
                CASE WHEN strpos(value, U&'\0308') = 0 THEN value
                     ELSE regexp_replace(value, '([aouAOU])\u0308', '\1e', 'g') END,
                'ÄÖÜẞ', 'äöüß'), 'ä', 'ae'), 'ö', 'oe'), 'ü', 'ue'), 'ß', 'ss') END
$$;
-- Name: geo_count_change(); Type: FUNCTION; Schema: public; Owner: -
CREATE FUNCTION public.geo_count_change() RETURNS trigger
    LANGUAGE plpgsql
    AS $$
BEGIN
  IF current_setting('kelvo.changed', true) IS DISTINCT FROM txid_current()::text THEN
    UPDATE geo_stamp SET changes = changes + 1;
    PERFORM set_config('kelvo.changed', txid_current()::text, true);
  END IF;
  RETURN NULL;
END
$$;
-- Name: geodistance(text, text, double precision, double precision); Type: FUNCTION; Schema: public; Owner: -
CREATE FUNCTION public.geodistance(lon text, lat text, lon0 double precision, lat0 double precision) RETURNS double precision
    LANGUAGE sql IMMUTABLE PARALLEL SAFE
    AS $$
  SELECT geodistance_km(geonumber(lon), geonumber(lat), lon0, lat0)
$$;
-- Name: geodistance_km(double precision, double precision, double precision, double precision); Type: FUNCTION; Schema: public; Owner: -
CREATE FUNCTION public.geodistance_km(lon1 double precision, lat1 double precision, lon2 double precision, lat2 double precision) RETURNS double precision
    LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
    AS $$
  SELECT 2 * 6371.0088::double precision * asin(sqrt(least(1::double precision,
           sin((lat2 - lat1) * (pi() / 180) / 2) * sin((lat2 - lat1) * (pi() / 180) / 2) +
           cos(lat1 * (pi() / 180)) * cos(lat2 * (pi() / 180)) *
           sin((lon2 - lon1) * (pi() / 180) / 2) * sin((lon2 - lon1) * (pi() / 180) / 2))))
$$;
-- Name: geonumber(text); Type: FUNCTION; Schema: public; Owner: -
CREATE FUNCTION public.geonumber(value text) RETURNS double precision
    LANGUAGE sql IMMUTABLE PARALLEL SAFE
    AS $_$
  SELECT CASE WHEN value !~ '^[\t\n\v\f\r ]*[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?[\t\n\v\f\r ]*$'
              THEN NULL
              WHEN char_length(value) <= 40 AND value !~ '[eE][+-]?[0-9]{3}'
              THEN value::double precision
              ELSE geonumber_checked(value) END
$_$;
-- Name: geonumber_checked(text); Type: FUNCTION; Schema: public; Owner: -
CREATE FUNCTION public.geonumber_checked(value text) RETURNS double precision
    LANGUAGE plpgsql IMMUTABLE STRICT PARALLEL SAFE
    AS $_$
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
$_$;
-- Name: jetlike(text, text); Type: FUNCTION; Schema: public; Owner: -
CREATE FUNCTION public.jetlike(pattern text, value text) RETURNS boolean
    LANGUAGE sql IMMUTABLE PARALLEL SAFE
    AS $$
  SELECT CASE WHEN jetlike_ascii(pattern) THEN
           CASE WHEN jetlike_simple(pattern)
                THEN lower(value COLLATE "C") LIKE jetlike_like(pattern)
                ELSE lower(value COLLATE "C") ~ jetlike_regex(pattern) END
         ELSE
           CASE WHEN jetlike_simple(pattern)
                THEN jetlike_fold(value) LIKE jetlike_like(pattern)
                ELSE jetlike_fold(value) ~ jetlike_regex(pattern) END
         END
$$;
-- Name: jetlike_ascii(text); Type: FUNCTION; Schema: public; Owner: -
CREATE FUNCTION public.jetlike_ascii(pattern text) RETURNS boolean
    LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
    AS $$ SELECT octet_length(pattern) = char_length(pattern) $$;
-- Name: jetlike_char(text); Type: FUNCTION; Schema: public; Owner: -
CREATE FUNCTION public.jetlike_char(c text) RETURNS text
    LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
    AS $_$
  SELECT CASE WHEN c ~ '^[A-Za-z0-9]$' THEN c
              WHEN ascii(c) < 65536 THEN '\u' || lpad(to_hex(ascii(c)), 4, '0')
              ELSE '\U' || lpad(to_hex(ascii(c)), 8, '0') END
$_$;
-- Name: jetlike_fold(text); Type: FUNCTION; Schema: public; Owner: -
CREATE FUNCTION public.jetlike_fold(value text) RETURNS text
    LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
    AS $$ SELECT lower(value COLLATE "und-x-icu") $$;
-- Name: jetlike_like(text); Type: FUNCTION; Schema: public; Owner: -
CREATE FUNCTION public.jetlike_like(pattern text) RETURNS text
    LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
    AS $$
  SELECT translate(regexp_replace(jetlike_fold(pattern), '([\\%_])', '\\\1', 'g'), '*?', '%_')
$$;
-- Name: jetlike_regex(text); Type: FUNCTION; Schema: public; Owner: -
CREATE FUNCTION public.jetlike_regex(pattern text) RETURNS text
    LANGUAGE plpgsql IMMUTABLE STRICT PARALLEL SAFE
    AS $_$
DECLARE
  n integer := char_length(pattern);
  i integer := 1;
  c text;
  low text;
  high text;
  result text := '';
  items text;
  negate boolean;
  closed boolean;
  first boolean;
  ranges integer;
  star boolean := false;
BEGIN
  WHILE i <= n LOOP
    c := substr(pattern, i, 1);
    i := i + 1;
    IF c = '*' THEN
      IF NOT star THEN result := result || '.*'; END IF;
      star := true;
      CONTINUE;
    END IF;
    star := false;
    IF c = '?' THEN
      result := result || '.';
    ELSIF c = '#' THEN
      result := result || '[0-9]';
    ELSIF c = '[' THEN
      items := ''; negate := false; closed := false; first := true; ranges := 0;
      WHILE i <= n LOOP
        c := substr(pattern, i, 1);
        i := i + 1;
        IF c = ']' THEN closed := true; EXIT; END IF;
        IF first AND c = '!' THEN negate := true; first := false; CONTINUE; END IF;
        first := false;
        low := jetlike_fold(c);
        IF char_length(low) <> 1 THEN low := c; END IF;
        high := low;
        -- "a-z" is a range; a "-" at either end of the list stands for itself.
        IF i + 1 <= n AND substr(pattern, i, 1) = '-' AND substr(pattern, i + 1, 1) <> ']' THEN
          high := jetlike_fold(substr(pattern, i + 1, 1));
          IF char_length(high) <> 1 THEN high := substr(pattern, i + 1, 1); END IF;
          i := i + 2;
        END IF;
        ranges := ranges + 1;
        IF ascii(low) <= ascii(high) THEN
          items := items || jetlike_char(low)
                         || CASE WHEN low = high THEN '' ELSE '-' || jetlike_char(high) END;
        END IF;
      END LOOP;
      IF NOT closed THEN
        RAISE EXCEPTION 'Ungültiges Suchmuster: "[" ohne schließendes "]" in "%"', pattern;
      END IF;
      IF ranges = 0 AND NOT negate THEN
        CONTINUE; -- "[]" stands for the empty string
      ELSIF items = '' THEN
        -- Only empty ranges ("[z-a]"): nothing matches, or with "!" any one character.
        result := result || CASE WHEN negate THEN '.' ELSE '[^\u0001-\U0010ffff]' END;
      ELSE
        result := result || '[' || CASE WHEN negate THEN '^' ELSE '' END || items || ']';
      END IF;
    ELSE
      result := result || jetlike_char(jetlike_fold(c));
    END IF;
  END LOOP;
  RETURN '^(?:' || result || ')$';
END
$_$;
-- Name: jetlike_simple(text); Type: FUNCTION; Schema: public; Owner: -
CREATE FUNCTION public.jetlike_simple(pattern text) RETURNS boolean
    LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
    AS $$ SELECT strpos(pattern, '#') = 0 AND strpos(pattern, '[') = 0 $$;
SET default_tablespace = '';
SET default_table_access_method = heap;
-- Name: geo; Type: TABLE; Schema: public; Owner: -
CREATE TABLE public.geo (
    id_geo integer NOT NULL,
    staat character varying(40),
    plz character varying(50),
    bundesland character varying(100),
    regierungsbezirk character varying(100),
    landkreis character varying(100),
    verwaltung character varying(100),
    ort character varying(100),
    ortsteil character varying(100),
    kfz character varying(40),
    langengrad character varying(60),
    breitengrad character varying(60),
    memo text,
    CONSTRAINT geo_breitengrad_check CHECK (((breitengrad)::text <> ''::text)),
    CONSTRAINT geo_bundesland_check CHECK (((bundesland)::text <> ''::text)),
    CONSTRAINT geo_kfz_check CHECK (((kfz)::text <> ''::text)),
    CONSTRAINT geo_landkreis_check CHECK (((landkreis)::text <> ''::text)),
    CONSTRAINT geo_langengrad_check CHECK (((langengrad)::text <> ''::text)),
    CONSTRAINT geo_memo_check CHECK ((memo <> ''::text)),
    CONSTRAINT geo_ort_check CHECK (((ort)::text <> ''::text)),
    CONSTRAINT geo_ortsteil_check CHECK (((ortsteil)::text <> ''::text)),
    CONSTRAINT geo_plz_check CHECK (((plz)::text <> ''::text)),
    CONSTRAINT geo_regierungsbezirk_check CHECK (((regierungsbezirk)::text <> ''::text)),
    CONSTRAINT geo_staat_check CHECK (((staat)::text <> ''::text)),
    CONSTRAINT geo_verwaltung_check CHECK (((verwaltung)::text <> ''::text))
);
-- Name: geo_id_geo_seq; Type: SEQUENCE; Schema: public; Owner: -
ALTER TABLE public.geo ALTER COLUMN id_geo ADD GENERATED BY DEFAULT AS IDENTITY (
    SEQUENCE NAME public.geo_id_geo_seq
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1
);
-- Name: geo_stamp; Type: TABLE; Schema: public; Owner: -
CREATE TABLE public.geo_stamp (
    changes bigint NOT NULL,
    version integer NOT NULL
);
-- Data for Name: geo; Type: TABLE DATA; Schema: public; Owner: -
INSERT INTO public.geo (id_geo, staat, plz, bundesland, regierungsbezirk, landkreis, verwaltung, ort, ortsteil, kfz, langengrad, breitengrad, memo) VALUES ('2', 'AT', '8010', 'Steiermark', 'Graz', 'Graz', NULL, 'Graz', NULL, NULL, '15.45', '47.0667', NULL);
INSERT INTO public.geo (id_geo, staat, plz, bundesland, regierungsbezirk, landkreis, verwaltung, ort, ortsteil, kfz, langengrad, breitengrad, memo) VALUES ('3', 'DE', '10115', 'Berlin', NULL, 'Berlin, Stadt', NULL, 'Berlin', NULL, NULL, '13.3846', '52.5323', NULL);
INSERT INTO public.geo (id_geo, staat, plz, bundesland, regierungsbezirk, landkreis, verwaltung, ort, ortsteil, kfz, langengrad, breitengrad, memo) VALUES ('1', 'AT', '1010', 'Wien', 'Wien', 'Wien', NULL, 'Wien, Innere Stadt', NULL, NULL, '16.3705', '48.2077', 'Kunde Wien');
-- Data for Name: geo_stamp; Type: TABLE DATA; Schema: public; Owner: -
INSERT INTO public.geo_stamp (changes, version) VALUES ('2', '3');
-- Name: geo_id_geo_seq; Type: SEQUENCE SET; Schema: public; Owner: -
SELECT pg_catalog.setval('public.geo_id_geo_seq', 3, true);
-- Name: geo PrimaryKey; Type: CONSTRAINT; Schema: public; Owner: -
ALTER TABLE ONLY public.geo
    ADD CONSTRAINT "PrimaryKey" PRIMARY KEY (id_geo);
-- Name: geo_breitengrad; Type: INDEX; Schema: public; Owner: -
CREATE INDEX geo_breitengrad ON public.geo USING btree (public.geonumber((breitengrad)::text));
-- Name: geo_langengrad; Type: INDEX; Schema: public; Owner: -
CREATE INDEX geo_langengrad ON public.geo USING btree (public.geonumber((langengrad)::text));
-- Name: geo_order; Type: INDEX; Schema: public; Owner: -
CREATE INDEX geo_order ON public.geo USING btree (lower(((staat)::text COLLATE "C")) NULLS FIRST, lower(((plz)::text COLLATE "C")) NULLS FIRST, id_geo);
-- Name: geo geo_changed; Type: TRIGGER; Schema: public; Owner: -
CREATE TRIGGER geo_changed AFTER INSERT OR DELETE OR UPDATE OR TRUNCATE ON public.geo FOR EACH STATEMENT EXECUTE FUNCTION public.geo_count_change();
-- PostgreSQL database dump complete
