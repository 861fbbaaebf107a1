-- Kelvo's text matching on the server, in the schema kelvo (schema version 4).
--
-- kelvo.jetlike(pattern, text): "text LIKE pattern" with the program's wildcards
-- (* ? # [abc] [!a-z]), case-insensitive. The helpers that look at the pattern alone are
-- immutable, so the planner works them out once for a query's pattern and jetlike itself
-- becomes a plain LIKE or regular-expression match on the lower-cased field. Working out
-- a pattern takes time in proportion to its length; a pattern longer than any text it is
-- compared with rejects the text on its length before any match is tried.
--
-- Every function names the others with their schema: they are inlined into queries that
-- run with any search path.

CREATE OR REPLACE FUNCTION kelvo.jetlike_fold(value text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$ SELECT lower(value COLLATE "und-x-icu") $$;

CREATE OR REPLACE FUNCTION kelvo.jetlike_ascii(pattern text) RETURNS boolean
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS
$$ SELECT octet_length(pattern) = char_length(pattern) $$;

CREATE OR REPLACE FUNCTION kelvo.jetlike_simple(pattern text) RETURNS boolean
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS
$$ SELECT strpos(pattern, '#') = 0 AND strpos(pattern, '[') = 0 $$;

-- The fewest characters a text matching the pattern has: every token but "*" stands for
-- one character; "[]" for none.
CREATE OR REPLACE FUNCTION kelvo.jetlike_min(pattern text) RETURNS integer
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$
  SELECT CASE WHEN strpos(pattern, '[') = 0 THEN char_length(replace(pattern, '*', ''))
         ELSE char_length(replace(replace(regexp_replace(pattern, '\[[^]][^]]*\]', 'x', 'g'),
                                          '[]', ''), '*', '')) END
$$;

-- A pattern without # and [...] as a LIKE pattern: \, % and _ stand for themselves.
CREATE OR REPLACE FUNCTION kelvo.jetlike_like(pattern text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$
  SELECT translate(regexp_replace(kelvo.jetlike_fold(pattern), '([\\%_])', '\\\1', 'g'),
                   '*?', '%_')
$$;

-- One character in a regular expression: letters and digits as they are, others escaped.
CREATE OR REPLACE FUNCTION kelvo.jetlike_char(c text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$
  SELECT CASE WHEN c ~ '^[A-Za-z0-9]$' THEN c
              WHEN ascii(c) < 65536 THEN '\u' || lpad(to_hex(ascii(c)), 4, '0')
              ELSE '\U' || lpad(to_hex(ascii(c)), 8, '0') END
$$;

-- One character as the text's lower case has it (ASCII without asking ICU).
CREATE OR REPLACE FUNCTION kelvo.jetlike_fold_char(c text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$
  SELECT CASE WHEN ascii(c) < 128 THEN lower(c COLLATE "C") ELSE kelvo.jetlike_fold(c) END
$$;

-- Any pattern as an anchored regular expression over the lower-cased text, in one pass over
-- its characters.
CREATE OR REPLACE FUNCTION kelvo.jetlike_regex(pattern text) RETURNS text
LANGUAGE plpgsql IMMUTABLE STRICT PARALLEL SAFE AS $$
DECLARE
  chars text[] := regexp_split_to_array(pattern, '');
  n integer := coalesce(cardinality(regexp_split_to_array(pattern, '')), 0);
  i integer := 1;
  c text;
  low text;
  high text;
  parts text[] := '{}';
  items text[];
  negate boolean;
  closed boolean;
  first boolean;
  ranges integer;
  star boolean := false;
BEGIN
  IF pattern = '' THEN
    RETURN '^(?:)$';
  END IF;
  WHILE i <= n LOOP
    c := chars[i];
    i := i + 1;
    IF c = '*' THEN
      IF NOT star THEN parts := array_append(parts, '.*'); END IF;
      star := true;
      CONTINUE;
    END IF;
    star := false;
    IF c = '?' THEN
      parts := array_append(parts, '.');
    ELSIF c = '#' THEN
      parts := array_append(parts, '[0-9]');
    ELSIF c = '[' THEN
      items := '{}'; negate := false; closed := false; first := true; ranges := 0;
      WHILE i <= n LOOP
        c := chars[i];
        i := i + 1;
        IF c = ']' THEN closed := true; EXIT; END IF;
        IF first AND c = '!' THEN negate := true; first := false; CONTINUE; END IF;
        first := false;
        low := kelvo.jetlike_fold_char(c);
        IF char_length(low) <> 1 THEN low := c; END IF;
        high := low;
        -- "a-z" is a range; a "-" at either end of the list stands for itself.
        IF i + 1 <= n AND chars[i] = '-' AND chars[i + 1] <> ']' THEN
          high := kelvo.jetlike_fold_char(chars[i + 1]);
          IF char_length(high) <> 1 THEN high := chars[i + 1]; END IF;
          i := i + 2;
        END IF;
        ranges := ranges + 1;
        IF ascii(low) <= ascii(high) THEN
          items := array_append(items, kelvo.jetlike_char(low)
                   || CASE WHEN low = high THEN '' ELSE '-' || kelvo.jetlike_char(high) END);
        END IF;
      END LOOP;
      IF NOT closed THEN
        RAISE EXCEPTION 'Ungültiges Suchmuster: "[" ohne schließendes "]" in "%"', pattern;
      END IF;
      IF ranges = 0 AND NOT negate THEN
        CONTINUE; -- "[]" stands for the empty string
      ELSIF cardinality(items) = 0 THEN
        -- Only empty ranges ("[z-a]"): nothing matches, or with "!" any one character.
        parts := array_append(parts, CASE WHEN negate THEN '.' ELSE '[^\u0001-\U0010ffff]' END);
      ELSE
        parts := array_append(parts, '[' || CASE WHEN negate THEN '^' ELSE '' END
                                     || array_to_string(items, '') || ']');
      END IF;
    ELSE
      parts := array_append(parts, kelvo.jetlike_char(kelvo.jetlike_fold_char(c)));
    END IF;
  END LOOP;
  RETURN '^(?:' || array_to_string(parts, '') || ')$';
END
$$;

-- "text ~ jetlike_regex(pattern)", with the expression worked out only when a row asks for
-- it (and so never while the query is planned): for long patterns, which most texts are too
-- short for.
-- (The cost it is given is that of the rows that reach it: few, so that a query's plan does
-- not take it for expensive and have it compiled.)
CREATE OR REPLACE FUNCTION kelvo.jetlike_regex_match(folded text, pattern text) RETURNS boolean
LANGUAGE plpgsql IMMUTABLE STRICT PARALLEL SAFE COST 1 AS $$
BEGIN
  RETURN folded ~ kelvo.jetlike_regex(pattern);
END
$$;

-- A pattern of more than 64 characters rejects a text too short for it on its length (false,
-- NULL for NULL; ICU's lower case makes at most two characters of one), and is worked out
-- only for a text long enough.
CREATE OR REPLACE FUNCTION kelvo.jetlike(pattern text, value text) RETURNS boolean
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT CASE WHEN kelvo.jetlike_ascii(pattern) THEN
           CASE WHEN char_length(pattern) > 64 AND kelvo.jetlike_min(pattern) > 64
                     AND coalesce(char_length(value), 0) < kelvo.jetlike_min(pattern)
                THEN CASE WHEN value IS NOT NULL THEN false END
                WHEN kelvo.jetlike_simple(pattern)
                THEN lower(value COLLATE "C") LIKE kelvo.jetlike_like(pattern)
                WHEN char_length(pattern) > 64 AND kelvo.jetlike_min(pattern) > 64
                THEN kelvo.jetlike_regex_match(lower(value COLLATE "C"), pattern)
                ELSE lower(value COLLATE "C") ~ kelvo.jetlike_regex(pattern) END
         ELSE
           CASE WHEN char_length(pattern) > 64 AND kelvo.jetlike_min(pattern) > 64
                     AND 2 * coalesce(char_length(value), 0) < kelvo.jetlike_min(pattern)
                THEN CASE WHEN value IS NOT NULL THEN false END
                WHEN kelvo.jetlike_simple(pattern)
                THEN kelvo.jetlike_fold(value) LIKE kelvo.jetlike_like(pattern)
                WHEN char_length(pattern) > 64 AND kelvo.jetlike_min(pattern) > 64
                THEN kelvo.jetlike_regex_match(kelvo.jetlike_fold(value), pattern)
                ELSE kelvo.jetlike_fold(value) ~ kelvo.jetlike_regex(pattern) END
         END
$$;

-- kelvo.foldlike(pattern, text): jetlike with the German spellings folded in both (ä = ae,
-- ö = oe, ü = ue, ß = ss, capitals too, and a, o, u with a combining diaeresis); a [...] list
-- of the pattern stays as written. The pattern's folding is immutable, so it is done once a
-- query. foldlike_text and foldlike_pattern fold as the program does.

-- ASCII texts, most of them, come back at once. (Not STRICT, so that it is expanded into the
-- query; NULL gives NULL all the same.)
CREATE OR REPLACE FUNCTION kelvo.foldlike_text(value text) RETURNS text
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT CASE WHEN octet_length(value) = char_length(value) THEN value
         ELSE replace(replace(replace(replace(translate(
                CASE WHEN strpos(value, U&'\0308') = 0 THEN value
                     ELSE regexp_replace(value, '([aouAOU])\u0308', '\1e', 'g') END,
                'ÄÖÜẞ', 'äöüß'), 'ä', 'ae'), 'ö', 'oe'), 'ü', 'ue'), 'ß', 'ss') END
$$;

-- The pattern in pieces: a [...] list as written, a "[" without "]" and the rest after it as
-- written, anything else folded.
CREATE OR REPLACE FUNCTION kelvo.foldlike_pattern(pattern text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$
  SELECT CASE WHEN octet_length(pattern) = char_length(pattern) THEN pattern
         ELSE (SELECT coalesce(string_agg(coalesce(m[1], m[2], kelvo.foldlike_text(m[3])), ''
                                          ORDER BY o), '')
               FROM regexp_matches(pattern, '(\[[^]]*\])|(\[[^]]*$)|([^[]+)', 'g')
                    WITH ORDINALITY AS t(m, o)) END
$$;

-- jetlike on the folded pattern and text, written out: the text is named in each branch, but
-- only one is left once the pattern's part has been worked out when the query is planned.
-- Folding makes at most two characters of one, lower case at most two of those.
CREATE OR REPLACE FUNCTION kelvo.foldlike(pattern text, value text) RETURNS boolean
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT CASE WHEN char_length(pattern) > 64
                   AND kelvo.jetlike_min(kelvo.foldlike_pattern(pattern)) > 64
                   AND 4 * coalesce(char_length(value), 0)
                       < kelvo.jetlike_min(kelvo.foldlike_pattern(pattern))
              THEN CASE WHEN value IS NOT NULL THEN false END
         WHEN kelvo.jetlike_ascii(kelvo.foldlike_pattern(pattern)) THEN
           CASE WHEN kelvo.jetlike_simple(pattern)
                THEN lower(kelvo.foldlike_text(value) COLLATE "C")
                     LIKE kelvo.jetlike_like(kelvo.foldlike_pattern(pattern))
                WHEN char_length(pattern) > 64
                     AND kelvo.jetlike_min(kelvo.foldlike_pattern(pattern)) > 64
                THEN kelvo.jetlike_regex_match(lower(kelvo.foldlike_text(value) COLLATE "C"),
                                               kelvo.foldlike_pattern(pattern))
                ELSE lower(kelvo.foldlike_text(value) COLLATE "C")
                     ~ kelvo.jetlike_regex(kelvo.foldlike_pattern(pattern)) END
         ELSE
           CASE WHEN kelvo.jetlike_simple(pattern)
                THEN kelvo.jetlike_fold(kelvo.foldlike_text(value))
                     LIKE kelvo.jetlike_like(kelvo.foldlike_pattern(pattern))
                WHEN char_length(pattern) > 64
                     AND kelvo.jetlike_min(kelvo.foldlike_pattern(pattern)) > 64
                THEN kelvo.jetlike_regex_match(kelvo.jetlike_fold(kelvo.foldlike_text(value)),
                                               kelvo.foldlike_pattern(pattern))
                ELSE kelvo.jetlike_fold(kelvo.foldlike_text(value))
                     ~ kelvo.jetlike_regex(kelvo.foldlike_pattern(pattern))
           END
         END
$$;
