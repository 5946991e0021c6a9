CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, amount REAL, big INTEGER);
INSERT INTO t(name, amount, big) VALUES ('abe', 874.5, 5000000000), ('brandt', 1049.8, -7000000001),
  ('chiba', 998.7, 9223372036854775807), ('dora', 1e15, 12345678901234);
WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 1000)
  INSERT INTO t(name, amount, big) SELECT printf('n%04d', x), x * 0.25, x * x * x * 1000003 FROM n;
CREATE INDEX t_name ON t(name);
SELECT count(*), sum(amount), avg(amount), total(big % 97), max(big) / 7, min(big) % 13 FROM t;
SELECT name, printf('%.2f|%e|%g', amount, amount, amount), big / 3, big % 1000 FROM t WHERE id <= 6 ORDER BY name DESC;
SELECT group_concat(name, ','), upper('straße'), length('日本語') FROM t WHERE id < 4;
SELECT 1.0 / 3, 2.25, round(2.25, 1), 1e300 * 1e10, -0.0, 9007199254740993, cast(1e15 as text);
.mode json
SELECT id, name, big FROM t WHERE id IN (1, 2, 500);
.mode box
SELECT substr(name, 1, 3) AS p, count(*) FROM t GROUP BY p ORDER BY 2 DESC, 1 LIMIT 4;
