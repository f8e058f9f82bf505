-- The Vietnamese charset converter inside the server.
\echo Use "CREATE EXTENSION tessaro" to load this file. \quit

-- A text converted between two charsets named by code or name ('auto' as the source: each
-- value from the charset it is guessed to be in).  In a UTF8 database legacy text is held as
-- the characters its bytes are in Windows-1252 ('ViÖt'): it is read and written that way, and
-- Unicode text as itself.
CREATE FUNCTION ts_convert(value text, source text, destination text) RETURNS text
  AS 'MODULE_PATHNAME', 'ts_convert_text'
  LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;

-- The same with the charsets given by their codes (15 TCVN3, 41 UTF-8, ...).
CREATE FUNCTION ts_convert(value text, source integer, destination integer) RETURNS text
  AS 'MODULE_PATHNAME', 'ts_convert_codes'
  LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;

CREATE FUNCTION ts_convert(value bytea, source text, destination text) RETURNS bytea
  AS 'MODULE_PATHNAME', 'ts_convert_bytea'
  LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;

-- The catalogue name of the charset a text is confidently guessed to be in, else NULL.
CREATE FUNCTION ts_detect(value text) RETURNS text
  AS 'MODULE_PATHNAME', 'ts_detect_text'
  LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
