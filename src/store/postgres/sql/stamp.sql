-- The change number of table geo (schema version 4): raised once in each transaction that
-- writes geo, so that readers can tell whether rows they keep are still current.
CREATE OR REPLACE FUNCTION kelvo.geo_count_change() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
  IF current_setting('kelvo.changed', true) IS DISTINCT FROM txid_current()::text THEN
    UPDATE geo_stamp SET changes = changes + 1;
    PERFORM set_config('kelvo.changed', txid_current()::text, true);
  END IF;
  RETURN NULL;
END
$$;
