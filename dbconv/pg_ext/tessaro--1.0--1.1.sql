-- From 1.0: the charsets by their codes, and legacy text in UTF8 databases read as it is held.
\echo Use "ALTER EXTENSION tessaro UPDATE TO '1.1'" to load this file. \quit

CREATE FUNCTION ts_convert(value text, source integer, destination integer) RETURNS text
  AS 'MODULE_PATHNAME', 'ts_convert_codes'
  LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
