SELECT * FROM people.csv
SELECT * FROM nums.csv
SELECT * FROM dates.csv
SELECT * FROM quoted.csv
SELECT * FROM unicode.csv
SELECT * FROM crlf.csv
SELECT * FROM empty.csv
SELECT * FROM zero.csv
SELECT * FROM dups.csv
SELECT * FROM cities.csv
SELECT * FROM 'people.csv'
SELECT * FROM "people.csv"
select * from people.csv
SELECT DISTINCT * FROM dups.csv
SELECT id, name FROM people.csv
SELECT name, id FROM people.csv
SELECT NAME, City FROM people.csv
SELECT name,name FROM people.csv
SELECT  name ,  age  FROM  people.csv
SELECT note FROM people.csv
SELECT nosuch FROM people.csv
SELECT id, nosuch FROM people.csv
SELECT name AS who, age AS years FROM people.csv
SELECT name who FROM people.csv
SELECT name as Who FROM people.csv
SELECT p.name, p.age FROM people.csv p
SELECT p.name FROM people.csv AS p WHERE p.age > 40
SELECT P.Name FROM people.csv p WHERE P.city = 'Oslo'
SELECT p.name FROM people.csv p ORDER BY p.age
SELECT x.name FROM people.csv p
SELECT name FROM people.csv p WHERE x.age > 1
SELECT * FROM people.csv p WHERE p.id < 3
SELECT "the id", remark FROM quoted.csv
SELECT remark FROM quoted.csv
SELECT "Full Name" FROM quoted.csv
SELECT "a,b" FROM quoted.csv
SELECT * FROM quoted.csv WHERE remark = 'empty quoted'
SELECT word, lang FROM unicode.csv
SELECT k, v FROM crlf.csv
SELECT w FROM crlf.csv WHERE w > 0
SELECT v FROM crlf.csv WHERE v = ''
SELECT v FROM crlf.csv WHERE v LIKE '%"%'
SELECT a FROM empty.csv
SELECT a FROM empty.csv WHERE a = 1
SELECT a FROM zero.csv
SELECT city FROM cities.csv
SELECT fromage FROM people.csv
SELECT name FROM people.csv WHERE name = 'x union y'
SELECT name FROM ./people.csv
SELECT name FROM people.csv;
  SELECT name FROM people.csv LIMIT 2  
SELECT	name	FROM	people.csv	LIMIT	2
SELECT id, age, score FROM people.csv WHERE age = 34
SELECT id, age, score FROM people.csv WHERE age = '34'
SELECT id, age, score FROM people.csv WHERE age = 7.5
SELECT id, age, score FROM people.csv WHERE age = -3
SELECT id, city FROM people.csv WHERE city = 'Oslo'
SELECT id, city FROM people.csv WHERE city = ''
SELECT id, city FROM people.csv WHERE city = 'M'
SELECT id, age, score FROM people.csv WHERE age != 34
SELECT id, age, score FROM people.csv WHERE age != '34'
SELECT id, age, score FROM people.csv WHERE age != 7.5
SELECT id, age, score FROM people.csv WHERE age != -3
SELECT id, city FROM people.csv WHERE city != 'Oslo'
SELECT id, city FROM people.csv WHERE city != ''
SELECT id, city FROM people.csv WHERE city != 'M'
SELECT id, age, score FROM people.csv WHERE age < 34
SELECT id, age, score FROM people.csv WHERE age < '34'
SELECT id, age, score FROM people.csv WHERE age < 7.5
SELECT id, age, score FROM people.csv WHERE age < -3
SELECT id, city FROM people.csv WHERE city < 'Oslo'
SELECT id, city FROM people.csv WHERE city < ''
SELECT id, city FROM people.csv WHERE city < 'M'
SELECT id, age, score FROM people.csv WHERE age <= 34
SELECT id, age, score FROM people.csv WHERE age <= '34'
SELECT id, age, score FROM people.csv WHERE age <= 7.5
SELECT id, age, score FROM people.csv WHERE age <= -3
SELECT id, city FROM people.csv WHERE city <= 'Oslo'
SELECT id, city FROM people.csv WHERE city <= ''
SELECT id, city FROM people.csv WHERE city <= 'M'
SELECT id, age, score FROM people.csv WHERE age > 34
SELECT id, age, score FROM people.csv WHERE age > '34'
SELECT id, age, score FROM people.csv WHERE age > 7.5
SELECT id, age, score FROM people.csv WHERE age > -3
SELECT id, city FROM people.csv WHERE city > 'Oslo'
SELECT id, city FROM people.csv WHERE city > ''
SELECT id, city FROM people.csv WHERE city > 'M'
SELECT id, age, score FROM people.csv WHERE age >= 34
SELECT id, age, score FROM people.csv WHERE age >= '34'
SELECT id, age, score FROM people.csv WHERE age >= 7.5
SELECT id, age, score FROM people.csv WHERE age >= -3
SELECT id, city FROM people.csv WHERE city >= 'Oslo'
SELECT id, city FROM people.csv WHERE city >= ''
SELECT id, city FROM people.csv WHERE city >= 'M'
SELECT id, salary FROM people.csv WHERE salary > nan
SELECT id, salary FROM people.csv WHERE salary < 'oslo'
SELECT id, city FROM people.csv WHERE city < 'Ñora Díaz'
SELECT id, salary FROM people.csv WHERE salary < 'a,b'
SELECT id, city FROM people.csv WHERE city = +34
SELECT id, id FROM people.csv WHERE id <= 40000
SELECT id, joined FROM people.csv WHERE joined >= 'Ñora Díaz'
SELECT id, city FROM people.csv WHERE city > '34'
SELECT id, note FROM people.csv WHERE note = '34'
SELECT id, note FROM people.csv WHERE note != 0
SELECT id, city FROM people.csv WHERE city > 0
SELECT id, note FROM people.csv WHERE note > 40000
SELECT id, id FROM people.csv WHERE id >= 0x10
SELECT id, age FROM people.csv WHERE age = -3
SELECT id, score FROM people.csv WHERE score != -3
SELECT id, name FROM people.csv WHERE name > 'Hugo ""Hue"" Braun'
SELECT id, salary FROM people.csv WHERE salary < -3
SELECT id, joined FROM people.csv WHERE joined <= "Lima"
SELECT id, id FROM people.csv WHERE id = +34
SELECT id, score FROM people.csv WHERE score <= 'Ñora Díaz'
SELECT id, score FROM people.csv WHERE score > inf
SELECT id, joined FROM people.csv WHERE joined < 1e2
SELECT id, joined FROM people.csv WHERE joined = +34
SELECT id, age FROM people.csv WHERE age >= 1e2
SELECT id, joined FROM people.csv WHERE joined < 'Ann Lee'
SELECT id, age FROM people.csv WHERE age = 'a,b'
SELECT id, note FROM people.csv WHERE note != "34"
SELECT id, note FROM people.csv WHERE note <= "Lima"
SELECT id, age FROM people.csv WHERE age = 1e2
SELECT id, id FROM people.csv WHERE id != 7.5
SELECT id, salary FROM people.csv WHERE salary > 'x'
SELECT id, id FROM people.csv WHERE id < 0
SELECT id, joined FROM people.csv WHERE joined >= 0x10
SELECT id, score FROM people.csv WHERE score >= 0
SELECT id, id FROM people.csv WHERE id >= 'M'
SELECT id, name FROM people.csv WHERE name >= "34"
SELECT id, age FROM people.csv WHERE age < 34
SELECT id, city FROM people.csv WHERE city > 7.5
SELECT id, score FROM people.csv WHERE score > -3
SELECT id, joined FROM people.csv WHERE joined != ' 34'
SELECT id, joined FROM people.csv WHERE joined >= "34"
SELECT id, note FROM people.csv WHERE note >= 0x10
SELECT id, age FROM people.csv WHERE age = 'oslo'
SELECT id, salary FROM people.csv WHERE salary > inf
SELECT id, id FROM people.csv WHERE id > 7.5
SELECT id, age FROM people.csv WHERE age <= 0x10
SELECT id, city FROM people.csv WHERE city < "Lima"
SELECT id, salary FROM people.csv WHERE salary != 'Chen, Wei'
SELECT id, city FROM people.csv WHERE city != -0
SELECT id, name FROM people.csv WHERE name <= 0
SELECT id, age FROM people.csv WHERE age > 'Hugo ""Hue"" Braun'
SELECT id, score FROM people.csv WHERE score != ' 34'
SELECT id, score FROM people.csv WHERE score <= 7.5
SELECT id, joined FROM people.csv WHERE joined = 'a,b'
SELECT id, name FROM people.csv WHERE name >= inf
SELECT id, joined FROM people.csv WHERE joined != '34'
SELECT id, id FROM people.csv WHERE id <= 'x'
SELECT id, city FROM people.csv WHERE city != +34
SELECT id, score FROM people.csv WHERE score >= 'Hugo ""Hue"" Braun'
SELECT id, salary FROM people.csv WHERE salary = 1e2
SELECT id, id FROM people.csv WHERE id = 'Oslo'
SELECT id, id FROM people.csv WHERE id <= 1e2
SELECT id, id FROM people.csv WHERE id = ' 34'
SELECT id, id FROM people.csv WHERE id != 0
SELECT id, score FROM people.csv WHERE score < 'a,b'
SELECT id, name FROM people.csv WHERE name = 'Ñora Díaz'
SELECT id, age FROM people.csv WHERE age <= inf
SELECT id, joined FROM people.csv WHERE joined > ''
SELECT id, joined FROM people.csv WHERE joined != 0x10
SELECT id, age FROM people.csv WHERE age > inf
SELECT id, salary FROM people.csv WHERE salary != 'x'
SELECT id, age FROM people.csv WHERE age != "Lima"
SELECT id, name FROM people.csv WHERE name <= ''
SELECT id, age FROM people.csv WHERE age <= ' 34'
SELECT id, joined FROM people.csv WHERE joined > nan
SELECT id, salary FROM people.csv WHERE salary = 'Chen, Wei'
SELECT id, id FROM people.csv WHERE id < 'Chen, Wei'
SELECT id, id FROM people.csv WHERE id <= +34
SELECT id, city FROM people.csv WHERE city = "34"
SELECT id, joined FROM people.csv WHERE joined <= 'x'
SELECT id, age FROM people.csv WHERE age != 'oslo'
SELECT id, age FROM people.csv WHERE age = 'Ann Lee'
SELECT id, age FROM people.csv WHERE age < nan
SELECT id, score FROM people.csv WHERE score < 1e2
SELECT id, age FROM people.csv WHERE age > -3
SELECT id, name FROM people.csv WHERE name <= 0x10
SELECT id, id FROM people.csv WHERE id != inf
SELECT id, joined FROM people.csv WHERE joined >= 'Hugo ""Hue"" Braun'
SELECT id, score FROM people.csv WHERE score <= 1e2
SELECT id, score FROM people.csv WHERE score >= "Lima"
SELECT id, age FROM people.csv WHERE age = inf
SELECT id, score FROM people.csv WHERE score <= "34"
SELECT id, score FROM people.csv WHERE score = 1_000
SELECT id, score FROM people.csv WHERE score > 'M'
SELECT id, id FROM people.csv WHERE id = '34'
SELECT id, note FROM people.csv WHERE note >= 0
SELECT id, id FROM people.csv WHERE id != 'a,b'
SELECT id, city FROM people.csv WHERE city < 0
SELECT id, city FROM people.csv WHERE city <= 1e2
SELECT id, name FROM people.csv WHERE name < inf
SELECT id, score FROM people.csv WHERE score <= 0
SELECT id, name FROM people.csv WHERE name >= 1e2
SELECT id, note FROM people.csv WHERE note <= "34"
SELECT id, age FROM people.csv WHERE age = "Lima"
SELECT id, salary FROM people.csv WHERE salary > -3
SELECT id, score FROM people.csv WHERE score >= 40000
SELECT id, id FROM people.csv WHERE id >= 'x'
SELECT id, score FROM people.csv WHERE score != 'Hugo ""Hue"" Braun'
SELECT id, note FROM people.csv WHERE note <= -3
SELECT id, id FROM people.csv WHERE id >= 'oslo'
SELECT id, salary FROM people.csv WHERE salary < 'Hugo ""Hue"" Braun'
SELECT id, name FROM people.csv WHERE name != ' 34'
SELECT id, age FROM people.csv WHERE age <= 'a,b'
SELECT id, score FROM people.csv WHERE score = ' 34'
SELECT id, salary FROM people.csv WHERE salary != '34'
SELECT id, name FROM people.csv WHERE name > +34
SELECT id, city FROM people.csv WHERE city != nan
SELECT id, joined FROM people.csv WHERE joined > 'Ñora Díaz'
SELECT n, x FROM nums.csv WHERE x = 0
SELECT n, x FROM nums.csv WHERE x = 42
SELECT n, x FROM nums.csv WHERE x = -1
SELECT n, x FROM nums.csv WHERE x = '42'
SELECT n, x FROM nums.csv WHERE x = 1e3
SELECT n, x FROM nums.csv WHERE x = 9223372036854775807
SELECT n, x FROM nums.csv WHERE x = 0.1
SELECT n, x FROM nums.csv WHERE x != 0
SELECT n, x FROM nums.csv WHERE x != 42
SELECT n, x FROM nums.csv WHERE x != 1000
SELECT n, x FROM nums.csv WHERE x != '42'
SELECT n, x FROM nums.csv WHERE x != 1e3
SELECT n, x FROM nums.csv WHERE x != 9223372036854775807
SELECT n, x FROM nums.csv WHERE x != 0.1
SELECT n, x FROM nums.csv WHERE x != 'abc'
SELECT n, x FROM nums.csv WHERE x != ''
SELECT n, x FROM nums.csv WHERE x < 0
SELECT n, x FROM nums.csv WHERE x < -1
SELECT n, x FROM nums.csv WHERE x < 1000
SELECT n, x FROM nums.csv WHERE x < '42'
SELECT n, x FROM nums.csv WHERE x < 1e3
SELECT n, x FROM nums.csv WHERE x < 9223372036854775807
SELECT n, x FROM nums.csv WHERE x < 0.1
SELECT n, x FROM nums.csv WHERE x < ''
SELECT n, x FROM nums.csv WHERE x <= 0
SELECT n, x FROM nums.csv WHERE x <= 42
SELECT n, x FROM nums.csv WHERE x <= 1000
SELECT n, x FROM nums.csv WHERE x <= '42'
SELECT n, x FROM nums.csv WHERE x <= 'abc'
SELECT n, x FROM nums.csv WHERE x <= ''
SELECT n, x FROM nums.csv WHERE x > 0
SELECT n, x FROM nums.csv WHERE x > -1
SELECT n, x FROM nums.csv WHERE x > 1000
SELECT n, x FROM nums.csv WHERE x > 9223372036854775807
SELECT n, x FROM nums.csv WHERE x >= 0
SELECT n, x FROM nums.csv WHERE x >= 42
SELECT n, x FROM nums.csv WHERE x >= -1
SELECT n, x FROM nums.csv WHERE x >= 1000
SELECT n, x FROM nums.csv WHERE x >= 1e3
SELECT n, x FROM nums.csv WHERE x >= 0.1
SELECT n, x FROM nums.csv WHERE x >= ''
SELECT n, x FROM nums.csv WHERE x = 42.0
SELECT n, x FROM nums.csv WHERE x = 1000
SELECT n, x FROM nums.csv WHERE x = 1_000
SELECT n, x FROM nums.csv WHERE x = '1_000'
SELECT n, x FROM nums.csv WHERE x > -1e400
SELECT n, x FROM nums.csv WHERE x < 1e400
SELECT n, x FROM nums.csv WHERE x = -0
SELECT n, x FROM nums.csv WHERE x = 7
SELECT n, x FROM nums.csv WHERE x=7
SELECT n, x FROM nums.csv WHERE x>=100
SELECT n, x FROM nums.csv WHERE x<>1
SELECT n, x FROM nums.csv WHERE x == 1
SELECT n, x FROM nums.csv WHERE x =< 1
SELECT n, x FROM nums.csv WHERE x => 1
SELECT n, x FROM nums.csv WHERE x !< 1
SELECT n FROM nums.csv WHERE 1 = x
SELECT n FROM nums.csv WHERE x = x
SELECT n FROM nums.csv WHERE t = 'zero'
SELECT n FROM nums.csv WHERE T = 'zero'
SELECT n FROM nums.csv WHERE t > 'o'
SELECT n FROM nums.csv WHERE t = zero
SELECT n FROM nums.csv WHERE n = 3.0
SELECT n FROM nums.csv WHERE n = '3'
SELECT n FROM nums.csv WHERE n = '03'
SELECT n FROM nums.csv WHERE n = 03
SELECT n FROM nums.csv WHERE n = ' 3'
SELECT word FROM unicode.csv WHERE word = 'naïve'
SELECT word FROM unicode.csv WHERE word > 'z'
SELECT word FROM unicode.csv WHERE word < 'a'
SELECT remark FROM quoted.csv WHERE remark = '(paren)'
SELECT remark FROM quoted.csv WHERE remark = "(paren)"
SELECT remark FROM quoted.csv WHERE remark = '(paren)' OR "the id" = 2
SELECT remark FROM quoted.csv WHERE remark = "(" OR "the id" = 2
SELECT remark FROM quoted.csv WHERE remark = 'He said "yes"'
SELECT remark FROM quoted.csv WHERE remark = 'He said ""yes""'
SELECT "a,b" FROM quoted.csv WHERE "a,b" = '''single'''
SELECT "a,b" FROM quoted.csv WHERE "a,b" = "'single'"
SELECT name FROM people.csv WHERE name = 'O''Brien'
SELECT name FROM people.csv WHERE name = 'abc
SELECT name FROM people.csv WHERE name = "abc
SELECT name FROM people.csv WHERE name = '
SELECT name FROM people.csv WHERE name = 'a' 'b'
SELECT name FROM people.csv WHERE city = 'a or b'
SELECT name FROM people.csv WHERE city = 'Oslo' or city = 'Lima'
SELECT name FROM people.csv WHERE city = 'Oslo' Or age > 40
SELECT name FROM people.csv WHERE city = 'a and b' AND age > 1
SELECT id, name FROM people.csv WHERE name LIKE '%'
SELECT id, name FROM people.csv WHERE name LIKE ''
SELECT id, name FROM people.csv WHERE name LIKE 'A%'
SELECT id, name FROM people.csv WHERE name LIKE 'a%'
SELECT id, name FROM people.csv WHERE name LIKE '%o'
SELECT id, name FROM people.csv WHERE name LIKE '_o%'
SELECT id, name FROM people.csv WHERE name LIKE '%e%'
SELECT id, name FROM people.csv WHERE name LIKE 'OSLO'
SELECT id, name FROM people.csv WHERE name LIKE 'o_lo'
SELECT id, name FROM people.csv WHERE name LIKE '%,%'
SELECT id, name FROM people.csv WHERE name LIKE '%"%'
SELECT id, name FROM people.csv WHERE name LIKE '__'
SELECT id, name FROM people.csv WHERE name LIKE '%%'
SELECT id, name FROM people.csv WHERE name LIKE 'Ann Lee'
SELECT id, name FROM people.csv WHERE name LIKE '%n'
SELECT id, name FROM people.csv WHERE name LIKE '_%_'
SELECT id, name FROM people.csv WHERE name LIKE 'Ñ%'
SELECT id, name FROM people.csv WHERE name LIKE '%í%'
SELECT id, name FROM people.csv WHERE name LIKE "%a%"
SELECT id, name FROM people.csv WHERE name LIKE '%
SELECT id, name FROM people.csv WHERE name LIKE % 
SELECT id, city FROM people.csv WHERE city ILIKE 'oslo'
SELECT id, city FROM people.csv WHERE city ILIKE 'OSLO'
SELECT id, city FROM people.csv WHERE city ILIKE 'o%'
SELECT id, city FROM people.csv WHERE city ILIKE '%O'
SELECT id, city FROM people.csv WHERE city ILIKE 'l_ma'
SELECT id, city FROM people.csv WHERE city ILIKE ''
SELECT id, city FROM people.csv WHERE city ILIKE '%'
SELECT id, city FROM people.csv WHERE city ILIKE 'córdoba'
SELECT id, city FROM people.csv WHERE city ILIKE 'CÓRDOBA'
SELECT id, city FROM people.csv WHERE city like 'O%'
SELECT id, city FROM people.csv WHERE city ilike 'q%'
SELECT id, city FROM people.csv WHERE city NOT LIKE 'O%'
SELECT id, city FROM people.csv WHERE NOT city LIKE 'O%'
SELECT id FROM people.csv WHERE note LIKE '%'
SELECT id FROM people.csv WHERE note LIKE ''
SELECT id FROM people.csv WHERE age LIKE '3%'
SELECT word FROM unicode.csv WHERE word ILIKE 'ä%'
SELECT word FROM unicode.csv WHERE word ILIKE 'zebra'
SELECT word FROM unicode.csv WHERE word LIKE '___'
SELECT word FROM unicode.csv WHERE word LIKE '_____'
SELECT "Full Name" FROM quoted.csv WHERE "full name" LIKE '%,%'
SELECT remark FROM quoted.csv WHERE remark LIKE 'line%'
SELECT v FROM crlf.csv WHERE v LIKE '%a'
SELECT id, id FROM people.csv WHERE id IN (1, 2, 3)
SELECT id, id FROM people.csv WHERE id NOT IN (1, 2, 3)
SELECT id, id FROM people.csv WHERE id IN ('1','2')
SELECT id, id FROM people.csv WHERE id NOT IN ('1','2')
SELECT id, id FROM people.csv WHERE id IN ('Oslo', 'Lima')
SELECT id, id FROM people.csv WHERE id NOT IN ('Oslo', 'Lima')
SELECT id, id FROM people.csv WHERE id IN ('oslo')
SELECT id, id FROM people.csv WHERE id NOT IN ('oslo')
SELECT id, id FROM people.csv WHERE id IN ('')
SELECT id, id FROM people.csv WHERE id NOT IN ('')
SELECT id, id FROM people.csv WHERE id IN ()
SELECT id, id FROM people.csv WHERE id NOT IN ()
SELECT id, id FROM people.csv WHERE id IN ( 34 , 28 )
SELECT id, id FROM people.csv WHERE id NOT IN ( 34 , 28 )
SELECT id, id FROM people.csv WHERE id IN ('Chen, Wei', 'x')
SELECT id, id FROM people.csv WHERE id NOT IN ('Chen, Wei', 'x')
SELECT id, id FROM people.csv WHERE id IN ("Oslo")
SELECT id, id FROM people.csv WHERE id NOT IN ("Oslo")
SELECT id, id FROM people.csv WHERE id IN (34.0)
SELECT id, id FROM people.csv WHERE id NOT IN (34.0)
SELECT id, id FROM people.csv WHERE id IN ('34')
SELECT id, id FROM people.csv WHERE id NOT IN ('34')
SELECT id, id FROM people.csv WHERE id IN (1,,2)
SELECT id, id FROM people.csv WHERE id NOT IN (1,,2)
SELECT id, id FROM people.csv WHERE id IN ('a''b')
SELECT id, id FROM people.csv WHERE id NOT IN ('a''b')
SELECT id, id FROM people.csv WHERE id IN ('Oslo'
SELECT id, id FROM people.csv WHERE id NOT IN ('Oslo'
SELECT id, id FROM people.csv WHERE id IN (SELECT city FROM cities.csv)
SELECT id, id FROM people.csv WHERE id NOT IN (SELECT city FROM cities.csv)
SELECT id, city FROM people.csv WHERE city IN (1, 2, 3)
SELECT id, city FROM people.csv WHERE city NOT IN (1, 2, 3)
SELECT id, city FROM people.csv WHERE city IN ('1','2')
SELECT id, city FROM people.csv WHERE city NOT IN ('1','2')
SELECT id, city FROM people.csv WHERE city IN ('Oslo', 'Lima')
SELECT id, city FROM people.csv WHERE city NOT IN ('Oslo', 'Lima')
SELECT id, city FROM people.csv WHERE city IN ('oslo')
SELECT id, city FROM people.csv WHERE city NOT IN ('oslo')
SELECT id, city FROM people.csv WHERE city IN ('')
SELECT id, city FROM people.csv WHERE city NOT IN ('')
SELECT id, city FROM people.csv WHERE city IN ()
SELECT id, city FROM people.csv WHERE city NOT IN ()
SELECT id, city FROM people.csv WHERE city IN ( 34 , 28 )
SELECT id, city FROM people.csv WHERE city NOT IN ( 34 , 28 )
SELECT id, city FROM people.csv WHERE city IN ('Chen, Wei', 'x')
SELECT id, city FROM people.csv WHERE city NOT IN ('Chen, Wei', 'x')
SELECT id, city FROM people.csv WHERE city IN ("Oslo")
SELECT id, city FROM people.csv WHERE city NOT IN ("Oslo")
SELECT id, city FROM people.csv WHERE city IN (34.0)
SELECT id, city FROM people.csv WHERE city NOT IN (34.0)
SELECT id, city FROM people.csv WHERE city IN ('34')
SELECT id, city FROM people.csv WHERE city NOT IN ('34')
SELECT id, city FROM people.csv WHERE city IN (1,,2)
SELECT id, city FROM people.csv WHERE city NOT IN (1,,2)
SELECT id, city FROM people.csv WHERE city IN ('a''b')
SELECT id, city FROM people.csv WHERE city NOT IN ('a''b')
SELECT id, city FROM people.csv WHERE city IN ('Oslo'
SELECT id, city FROM people.csv WHERE city NOT IN ('Oslo'
SELECT id, city FROM people.csv WHERE city IN (SELECT city FROM cities.csv)
SELECT id, city FROM people.csv WHERE city NOT IN (SELECT city FROM cities.csv)
SELECT id, age FROM people.csv WHERE age IN ('1','2')
SELECT id, age FROM people.csv WHERE age NOT IN ('1','2')
SELECT id, age FROM people.csv WHERE age IN ( 34 , 28 )
SELECT id, age FROM people.csv WHERE age NOT IN ( 34 , 28 )
SELECT id, age FROM people.csv WHERE age IN (34.0)
SELECT id, age FROM people.csv WHERE age NOT IN (34.0)
SELECT id, age FROM people.csv WHERE age IN (SELECT city FROM cities.csv)
SELECT id, age FROM people.csv WHERE age NOT IN (SELECT city FROM cities.csv)
SELECT id, name FROM people.csv WHERE name IN ()
SELECT id, name FROM people.csv WHERE name NOT IN ()
SELECT id, name FROM people.csv WHERE name IN ( 34 , 28 )
SELECT id, name FROM people.csv WHERE name NOT IN ( 34 , 28 )
SELECT id, name FROM people.csv WHERE name IN ("Oslo")
SELECT id, name FROM people.csv WHERE name NOT IN ("Oslo")
SELECT id, name FROM people.csv WHERE name IN (1,,2)
SELECT id, name FROM people.csv WHERE name NOT IN (1,,2)
SELECT id, note FROM people.csv WHERE note IN (1, 2, 3)
SELECT id, note FROM people.csv WHERE note NOT IN (1, 2, 3)
SELECT id, note FROM people.csv WHERE note IN ( 34 , 28 )
SELECT id, note FROM people.csv WHERE note NOT IN ( 34 , 28 )
SELECT id, note FROM people.csv WHERE note IN ('Chen, Wei', 'x')
SELECT id, note FROM people.csv WHERE note NOT IN ('Chen, Wei', 'x')
SELECT id, note FROM people.csv WHERE note IN ("Oslo")
SELECT id, note FROM people.csv WHERE note NOT IN ("Oslo")
SELECT id, note FROM people.csv WHERE note IN (34.0)
SELECT id, note FROM people.csv WHERE note NOT IN (34.0)
SELECT id, note FROM people.csv WHERE note IN (1,,2)
SELECT id, note FROM people.csv WHERE note NOT IN (1,,2)
SELECT id, note FROM people.csv WHERE note IN ('Oslo'
SELECT id, note FROM people.csv WHERE note NOT IN ('Oslo'
SELECT id, note FROM people.csv WHERE note IN (SELECT city FROM cities.csv)
SELECT id, note FROM people.csv WHERE note NOT IN (SELECT city FROM cities.csv)
SELECT id FROM people.csv WHERE id in (1,2)
SELECT id FROM people.csv WHERE id not in (1,2)
SELECT id FROM people.csv WHERE id IN(1,2)
SELECT id FROM people.csv WHERE NOT id IN (1,2)
SELECT id FROM people.csv WHERE id IN (1,2) AND city IN ('Oslo')
SELECT id FROM people.csv WHERE upper(city) IN ('OSLO')
SELECT n FROM nums.csv WHERE x IN ('1_000', '1e3', '-0')
SELECT n FROM nums.csv WHERE x IN (1000)
SELECT id FROM unicode.csv WHERE word IN ('日本語', 'straße')
SELECT id, age FROM people.csv WHERE age BETWEEN 1 AND 5
SELECT id, name FROM people.csv WHERE name BETWEEN 1 AND 5
SELECT id, age FROM people.csv WHERE age BETWEEN 5 AND 1
SELECT id, age FROM people.csv WHERE age BETWEEN 30 AND 40
SELECT id, name FROM people.csv WHERE name BETWEEN 30 AND 40
SELECT id, age FROM people.csv WHERE age BETWEEN '30' AND '40'
SELECT id, age FROM people.csv WHERE age BETWEEN -10 AND 0
SELECT id, age FROM people.csv WHERE age BETWEEN 34 AND 34
SELECT id, name FROM people.csv WHERE name BETWEEN 34 AND 34
SELECT id, age FROM people.csv WHERE age BETWEEN 'a' AND 'm'
SELECT id, age FROM people.csv WHERE age BETWEEN 'A' AND 'Z'
SELECT id, name FROM people.csv WHERE name BETWEEN 'A' AND 'Z'
SELECT id, age FROM people.csv WHERE age BETWEEN 1 AND 'x'
SELECT id, age FROM people.csv WHERE age BETWEEN 'x' AND 1
SELECT id, name FROM people.csv WHERE name BETWEEN 'x' AND 1
SELECT id, age FROM people.csv WHERE age BETWEEN 1e1 AND 1e2
SELECT id, name FROM people.csv WHERE name BETWEEN 1e1 AND 1e2
SELECT id, age FROM people.csv WHERE age BETWEEN 1 and 3
SELECT id, name FROM people.csv WHERE name BETWEEN 1 and 3
SELECT id, age FROM people.csv WHERE age BETWEEN 1 AND
SELECT id, name FROM people.csv WHERE name BETWEEN 1 AND
SELECT id, age FROM people.csv WHERE age BETWEEN AND 3
SELECT id, age FROM people.csv WHERE age BETWEEN 1 OR 3
SELECT id, name FROM people.csv WHERE name BETWEEN 1 OR 3
SELECT id FROM people.csv WHERE id BETWEEN 1 AND 5 AND city = 'Oslo'
SELECT id FROM people.csv WHERE city = 'Oslo' AND id BETWEEN 1 AND 5
SELECT id FROM people.csv WHERE id BETWEEN 1 AND 5 OR id BETWEEN 10 AND 12
SELECT id FROM people.csv WHERE NOT id BETWEEN 2 AND 14
SELECT id FROM people.csv WHERE id NOT BETWEEN 2 AND 14
SELECT id FROM people.csv WHERE joined BETWEEN '2015-01-01' AND '2020-12-31'
SELECT n FROM nums.csv WHERE x BETWEEN -1 AND 1
SELECT n FROM nums.csv WHERE x BETWEEN '-1' AND '1'
SELECT id, note FROM people.csv WHERE note IS NULL
SELECT id, note FROM people.csv WHERE note IS NOT NULL
SELECT id, city FROM people.csv WHERE city IS NULL
SELECT id, city FROM people.csv WHERE city IS NOT NULL
SELECT id, age FROM people.csv WHERE age IS NULL
SELECT id, age FROM people.csv WHERE age IS NOT NULL
SELECT id, name FROM people.csv WHERE name IS NULL
SELECT id, name FROM people.csv WHERE name IS NOT NULL
SELECT id, score FROM people.csv WHERE score IS NULL
SELECT id, score FROM people.csv WHERE score IS NOT NULL
SELECT id, nosuch FROM people.csv WHERE nosuch IS NULL
SELECT id, nosuch FROM people.csv WHERE nosuch IS NOT NULL
SELECT id FROM people.csv WHERE note is null
SELECT id FROM people.csv WHERE note IS NULL OR note IS NULL
SELECT id FROM people.csv WHERE note IS NULL AND id > 0
SELECT id FROM people.csv WHERE NOT note IS NULL
SELECT id FROM people.csv WHERE note IS  NULL
SELECT id FROM people.csv WHERE note ISNULL
SELECT "the id" FROM quoted.csv WHERE remark IS NULL
SELECT "the id" FROM quoted.csv WHERE "a,b" IS NULL
SELECT "the id" FROM quoted.csv WHERE "a,b" IS NULL OR "a,b" IS NULL
SELECT k FROM crlf.csv WHERE w IS NULL
SELECT id FROM people.csv WHERE NOT note IS NULL OR salary BETWEEN 40000 AND 60000
SELECT id FROM people.csv WHERE NOT id IN (1,3,5,7,9,11,13,15) OR age > 30
SELECT id FROM people.csv WHERE note IS NULL OR id IN (1,3,5,7,9,11,13,15)
SELECT id FROM people.csv WHERE age > 30 AND (city = 'Oslo' OR NOT id % 2 = 0)
SELECT id FROM people.csv WHERE NOT id % 2 = 0
SELECT id FROM people.csv WHERE age > 30 OR score >= 0 AND id IN (1,3,5,7,9,11,13,15)
SELECT id FROM people.csv WHERE age > 30 OR city = 'Oslo'
SELECT id FROM people.csv WHERE note IS NULL OR id % 2 = 0 AND salary BETWEEN 40000 AND 60000
SELECT id FROM people.csv WHERE NOT name LIKE '%a%'
SELECT id FROM people.csv WHERE id % 2 = 0 OR id IN (1,3,5,7,9,11,13,15)
SELECT id FROM people.csv WHERE city = 'Oslo' OR score >= 0 AND id % 2 = 0
SELECT id FROM people.csv WHERE id IN (1,3,5,7,9,11,13,15) AND name LIKE '%a%'
SELECT id FROM people.csv WHERE NOT salary BETWEEN 40000 AND 60000 AND score >= 0
SELECT id FROM people.csv WHERE NOT age > 30 OR name LIKE '%a%'
SELECT id FROM people.csv WHERE (note IS NULL OR id % 2 = 0) AND score >= 0
SELECT id FROM people.csv WHERE city = 'Oslo' AND (name LIKE '%a%' OR NOT id % 2 = 0)
SELECT id FROM people.csv WHERE NOT age > 30 OR id % 2 = 0
SELECT id FROM people.csv WHERE NOT score >= 0 OR name LIKE '%a%'
SELECT id FROM people.csv WHERE salary BETWEEN 40000 AND 60000 AND (note IS NULL OR NOT id IN (1,3,5,7,9,11,13,15))
SELECT id FROM people.csv WHERE (id IN (1,3,5,7,9,11,13,15) OR name LIKE '%a%') AND city = 'Oslo'
SELECT id FROM people.csv WHERE NOT city = 'Oslo' OR score >= 0
SELECT id FROM people.csv WHERE NOT city = 'Oslo' AND id % 2 = 0
SELECT id FROM people.csv WHERE NOT score >= 0
SELECT id FROM people.csv WHERE score >= 0 AND salary BETWEEN 40000 AND 60000
SELECT id FROM people.csv WHERE age > 30 OR note IS NULL AND city = 'Oslo'
SELECT id FROM people.csv WHERE NOT score >= 0 AND salary BETWEEN 40000 AND 60000
SELECT id FROM people.csv WHERE NOT city = 'Oslo'
SELECT id FROM people.csv WHERE NOT note IS NULL OR name LIKE '%a%'
SELECT id FROM people.csv WHERE NOT (age > 30 AND name LIKE '%a%') OR score >= 0
SELECT id FROM people.csv WHERE ((score >= 0))
SELECT id FROM people.csv WHERE NOT note IS NULL AND city = 'Oslo'
SELECT id FROM people.csv WHERE name LIKE '%a%' OR note IS NULL
SELECT id FROM people.csv WHERE NOT (city = 'Oslo' AND note IS NULL) OR score >= 0
SELECT id FROM people.csv WHERE NOT (score >= 0 AND id IN (1,3,5,7,9,11,13,15)) OR name LIKE '%a%'
SELECT id FROM people.csv WHERE NOT age > 30
SELECT id FROM people.csv WHERE salary BETWEEN 40000 AND 60000 AND id IN (1,3,5,7,9,11,13,15)
SELECT id FROM people.csv WHERE NOT (note IS NULL AND city = 'Oslo') OR score >= 0
SELECT id FROM people.csv WHERE NOT id IN (1,3,5,7,9,11,13,15) AND salary BETWEEN 40000 AND 60000
SELECT id FROM people.csv WHERE NOT salary BETWEEN 40000 AND 60000 OR name LIKE '%a%'
SELECT id FROM people.csv WHERE age > 30 OR score >= 0
SELECT id FROM people.csv WHERE note IS NULL AND (salary BETWEEN 40000 AND 60000 OR NOT city = 'Oslo')
SELECT id FROM people.csv WHERE city = 'Oslo' OR id IN (1,3,5,7,9,11,13,15)
SELECT id FROM people.csv WHERE NOT id IN (1,3,5,7,9,11,13,15)
SELECT id FROM people.csv WHERE NOT (name LIKE '%a%' AND id % 2 = 0) OR city = 'Oslo'
SELECT id FROM people.csv WHERE NOT name LIKE '%a%' AND id % 2 = 0
SELECT id FROM people.csv WHERE NOT (score >= 0 AND id IN (1,3,5,7,9,11,13,15)) OR note IS NULL
SELECT id FROM people.csv WHERE NOT (city = 'Oslo' AND age > 30) OR note IS NULL
SELECT id FROM people.csv WHERE id % 2 = 0 OR id IN (1,3,5,7,9,11,13,15) AND note IS NULL
SELECT id FROM people.csv WHERE (id % 2 = 0 OR salary BETWEEN 40000 AND 60000) AND id IN (1,3,5,7,9,11,13,15)
SELECT id FROM people.csv WHERE (score >= 0 OR id % 2 = 0) AND id IN (1,3,5,7,9,11,13,15)
SELECT id FROM people.csv WHERE name LIKE '%a%' OR id IN (1,3,5,7,9,11,13,15)
SELECT id FROM people.csv WHERE (age > 30
SELECT id FROM people.csv WHERE age > 30)
SELECT id FROM people.csv WHERE age > 30 AND
SELECT id FROM people.csv WHERE age > 30 OR
SELECT id FROM people.csv WHERE AND age > 30
SELECT id FROM people.csv WHERE NOT
SELECT id FROM people.csv WHERE NOT NOT age > 30
SELECT id FROM people.csv WHERE not age > 30
SELECT id FROM people.csv WHERE ()
SELECT id FROM people.csv WHERE
SELECT id FROM people.csv WHERE age
SELECT id FROM people.csv WHERE age > 
SELECT id FROM people.csv WHERE > 3
SELECT id FROM people.csv WHERE (age > 30) AND (city = 'Oslo')
SELECT id FROM people.csv WHERE (age > 30) OR (city = 'Oslo') AND id < 5
SELECT id FROM people.csv WHERE age > 30 AND nosuch = 1
SELECT id FROM people.csv WHERE age > 30 OR nosuch = 1
SELECT id FROM people.csv WHERE salary > 4 AND id > 0
SELECT id FROM people.csv WHERE city = 'Oslo' HAVING id > 1
SELECT id FROM people.csv WHERE id % 2 = 0
SELECT id FROM people.csv WHERE id % 2 = 1
SELECT id FROM people.csv WHERE id % 3 != 0
SELECT id FROM people.csv WHERE id % 5 >= 3
SELECT id FROM people.csv WHERE id % 2.5 = 1
SELECT id FROM people.csv WHERE age % 10 < 5
SELECT id FROM people.csv WHERE score % 2 = 1
SELECT id FROM people.csv WHERE id % 0 = 0
SELECT id FROM people.csv WHERE id % 0 != 0
SELECT id FROM people.csv WHERE id % -4 = 1
SELECT id FROM people.csv WHERE id % 2 = '0'
SELECT id FROM people.csv WHERE id % x = 0
SELECT id FROM people.csv WHERE id % 2
SELECT id FROM people.csv WHERE id % = 1
SELECT id FROM people.csv WHERE n % 2 = 0
SELECT n, x FROM nums.csv WHERE x % 2 = 0
SELECT n, x FROM nums.csv WHERE x % 2 != 0
SELECT id, d FROM dates.csv WHERE EXTRACT(year FROM d) = 2024
SELECT id, d FROM dates.csv WHERE EXTRACT(month FROM d) > 6
SELECT id, d FROM dates.csv WHERE extract(day FROM d) = 31
SELECT id, d FROM dates.csv WHERE EXTRACT(hour FROM ts) >= 12
SELECT id, d FROM dates.csv WHERE EXTRACT(minute FROM ts) = 30
SELECT id, d FROM dates.csv WHERE EXTRACT(second FROM ts) = 59
SELECT id, d FROM dates.csv WHERE EXTRACT(dow FROM d) = 1
SELECT id, d FROM dates.csv WHERE EXTRACT(doy FROM d) = 60
SELECT id, d FROM dates.csv WHERE EXTRACT(week FROM d) = 2
SELECT id, d FROM dates.csv WHERE EXTRACT(quarter FROM d) = 1
SELECT id, d FROM dates.csv WHERE EXTRACT(epoch FROM d) = 0
SELECT id, d FROM dates.csv WHERE EXTRACT(YEAR FROM D) = 2024
SELECT id, d FROM dates.csv WHERE EXTRACT(year FROM nosuch) = 1
SELECT id, d FROM dates.csv WHERE EXTRACT(bogus FROM d) = 0
SELECT id, d FROM dates.csv WHERE EXTRACT(year d) = 2024
SELECT id, d FROM dates.csv WHERE EXTRACT('year' FROM d) = 2024
SELECT id, d FROM dates.csv WHERE EXTRACT(year FROM d) != 2024
SELECT id, d FROM dates.csv WHERE EXTRACT(year FROM d) < '2020'
SELECT id, d FROM dates.csv WHERE DATEDIFF('day', d, d2) > 30
SELECT id, d FROM dates.csv WHERE DATEDIFF(day, d, d2) = 1
SELECT id, d FROM dates.csv WHERE datediff('month', d, d2) >= 1
SELECT id, d FROM dates.csv WHERE DATEDIFF('year', d, d2) = 1
SELECT id, d FROM dates.csv WHERE DATEDIFF('hour', ts, d2) > 0
SELECT id, d FROM dates.csv WHERE DATEDIFF('week', d, d2) = 6
SELECT id, d FROM dates.csv WHERE DATEDIFF('minute', ts, d2) < 0
SELECT id, d FROM dates.csv WHERE DATEDIFF('second', ts, d2) = 1
SELECT id, d FROM dates.csv WHERE DATEDIFF('bogus', d, d2) = 0
SELECT id, d FROM dates.csv WHERE DATEDIFF('day', d) = 1
SELECT id, d FROM dates.csv WHERE DATEDIFF('day', d, nosuch) = 1
SELECT id, d FROM dates.csv WHERE DATEDIFF('day', d, d2) <= -1
SELECT id, d FROM dates.csv WHERE DATEADD('day', 1, d) = 1
SELECT id, d FROM dates.csv WHERE DATEADD('day', 1, d) > '2024-01-01'
SELECT id, d FROM dates.csv WHERE DATEADD('day', x, d) = 1
SELECT id, d FROM dates.csv WHERE DATEADD('day', 1) = 1
SELECT id, d FROM dates.csv WHERE EXTRACT(year FROM d) = 2024 AND id > 1
SELECT id, d FROM dates.csv WHERE NOT EXTRACT(year FROM d) = 2024
SELECT id, d FROM dates.csv WHERE EXTRACT(year FROM d) = 2024 OR label = 'bad'
SELECT id, d FROM dates.csv WHERE EXTRACT(year FROM d) BETWEEN 2000 AND 2023
SELECT id, d FROM dates.csv WHERE EXTRACT(year FROM d) IN (2024)
SELECT id, d FROM dates.csv WHERE EXTRACT(year FROM d) = abc
SELECT id, d FROM dates.csv WHERE EXTRACT(year FROM d) =
SELECT id, d FROM dates.csv WHERE DATE_PART('year', d) = 2024
SELECT id, d FROM dates.csv WHERE d > '2023-06-01'
SELECT id, d FROM dates.csv WHERE d < '2024-01-01'
SELECT id, d FROM dates.csv WHERE ts LIKE '%T%'
SELECT id, upper(name) FROM people.csv
SELECT id, lower(name) FROM people.csv
SELECT id, trim(name) FROM people.csv
SELECT id, reverse(name) FROM people.csv
SELECT id, length(name) FROM people.csv
SELECT id, UPPER ( Name ) FROM people.csv
SELECT id, upper(lower(trim(name))) FROM people.csv
SELECT id, length(upper(city)) FROM people.csv
SELECT id, reverse(reverse(name)) FROM people.csv
SELECT id, upper(nosuch) FROM people.csv
SELECT id, abs(upper(name)) FROM people.csv
SELECT id, length(note) FROM people.csv
SELECT id, length(city) FROM people.csv
SELECT id, trim(note) FROM people.csv
SELECT id, substr(name, 1, 3) FROM people.csv
SELECT id, substr(name, 2) FROM people.csv
SELECT id, substr(name, 0, 2) FROM people.csv
SELECT id, substr(name, -3) FROM people.csv
SELECT id, substr(name, -3, 2) FROM people.csv
SELECT id, substr(name, 100) FROM people.csv
SELECT id, substr(name, 2, 0) FROM people.csv
SELECT id, substr(name, 2, -1) FROM people.csv
SELECT id, substring(name, 3, 4) FROM people.csv
SELECT id, substr(name) FROM people.csv
SELECT id, substr(name, x) FROM people.csv
SELECT id, substr(upper(name), 1, 2) FROM people.csv
SELECT id, substr(name, 1_0) FROM people.csv
SELECT id, lpad(name, 12) FROM people.csv
SELECT id, lpad(name, 12, '*') FROM people.csv
SELECT id, rpad(name, 12, '-=') FROM people.csv
SELECT id, lpad(name, 3) FROM people.csv
SELECT id, rpad(name, 0) FROM people.csv
SELECT id, lpad(name, 12, '') FROM people.csv
SELECT id, lpad(name, 5, *) FROM people.csv
SELECT id, lpad(name, -1) FROM people.csv
SELECT id, rpad(city, 8, '.') FROM people.csv
SELECT id, lpad(id, 3, '0') FROM people.csv
SELECT id, replace(name, 'a', 'A') FROM people.csv
SELECT id, replace(name, 'a', '') FROM people.csv
SELECT id, replace(name, '', 'a') FROM people.csv
SELECT id, replace(name, ' ', '_') FROM people.csv
SELECT id, replace(city, 'Oslo', 'OSLO') FROM people.csv
SELECT id, replace(name, ',', ';') FROM people.csv
SELECT id, split_part(joined, '-', 1) FROM people.csv
SELECT id, split_part(joined, '-', 3) FROM people.csv
SELECT id, split_part(joined, '-', 4) FROM people.csv
SELECT id, split_part(joined, '-', 0) FROM people.csv
SELECT id, split_part(name, ' ', 2) FROM people.csv
SELECT id, split_part(name, ',', 1) FROM people.csv
SELECT id, greatest(age, score) FROM people.csv
SELECT id, least(age, score) FROM people.csv
SELECT id, greatest(age, 40) FROM people.csv
SELECT id, least(age, '40') FROM people.csv
SELECT id, greatest(name, city) FROM people.csv
SELECT id, greatest(age) FROM people.csv
SELECT id, greatest(a1, 3) FROM people.csv
SELECT id, least(age, score, id, 5) FROM people.csv
SELECT id, greatest(1,2,3,4,5,6,7,8,9) FROM people.csv
SELECT id, concat(name, '-', city) FROM people.csv
SELECT id, concat(name) FROM people.csv
SELECT id, concat(name, 'p,q') FROM people.csv
SELECT id, concat(id, age, score) FROM people.csv
SELECT id, concat(name, 5) FROM people.csv
SELECT id, concat() FROM people.csv
SELECT id, concat(a,b,c,d,e,f,g,h,i) FROM people.csv
SELECT id, coalesce(note, 'none') FROM people.csv
SELECT id, coalesce(note, city, 'n/a') FROM people.csv
SELECT id, coalesce(note, 0) FROM people.csv
SELECT id, coalesce(note) FROM people.csv
SELECT id, coalesce('x', 'y') FROM people.csv
SELECT id, coalesce(note, 'p,q') FROM people.csv
SELECT id, coalesce(city, note) FROM people.csv
SELECT id, coalesce(nosuch, 'x') FROM people.csv
SELECT id, cast(age AS int) FROM people.csv
SELECT id, cast(age AS INTEGER) FROM people.csv
SELECT id, cast(salary AS float) FROM people.csv
SELECT id, cast(salary AS double) FROM people.csv
SELECT id, cast(score AS numeric(10,2)) FROM people.csv
SELECT id, cast(age AS text) FROM people.csv
SELECT id, cast(age AS varchar(3)) FROM people.csv
SELECT id, cast(age AS date) FROM people.csv
SELECT id, cast(age as bigint) FROM people.csv
SELECT id, cast(score AS int) FROM people.csv
SELECT id, cast(salary AS decimal) FROM people.csv
SELECT id, cast(name AS int) FROM people.csv
SELECT id, cast(age) FROM people.csv
SELECT id, CAST(age AS real) FROM people.csv
SELECT id, abs(score) FROM people.csv
SELECT id, sign(score) FROM people.csv
SELECT id, ceil(score) FROM people.csv
SELECT id, ceiling(score) FROM people.csv
SELECT id, floor(score) FROM people.csv
SELECT id, abs(age) FROM people.csv
SELECT id, sign(age) FROM people.csv
SELECT id, mod(age, 7) FROM people.csv
SELECT id, mod(age, 0) FROM people.csv
SELECT id, mod(score, 2) FROM people.csv
SELECT id, mod(age, -5) FROM people.csv
SELECT id, mod(age, x) FROM people.csv
SELECT id, mod(age) FROM people.csv
SELECT id, round(salary) FROM people.csv
SELECT id, round(salary, 1) FROM people.csv
SELECT id, round(score, 2) FROM people.csv
SELECT id, round(score, 0) FROM people.csv
SELECT id, round(salary, 300) FROM people.csv
SELECT id, round(salary, -1) FROM people.csv
SELECT id, round(name) FROM people.csv
SELECT id, age IS NULL FROM people.csv
SELECT id, note IS NOT NULL FROM people.csv
SELECT id, nosuch IS NULL FROM people.csv
SELECT id, CASE WHEN age >= 40 THEN 'old' ELSE 'young' END FROM people.csv
SELECT id, case when city = 'Oslo' then 1 else 0 end FROM people.csv
SELECT id, CASE WHEN age > 30 THEN name ELSE city END FROM people.csv
SELECT id, CASE WHEN age != 34 THEN 'x' ELSE 'y' END FROM people.csv
SELECT id, CASE WHEN age <> 34 THEN 'x' ELSE 'y' END FROM people.csv
SELECT id, CASE WHEN age < 30 THEN 1.5 ELSE -2 END FROM people.csv
SELECT id, CASE WHEN age = 1 THEN 'x' END FROM people.csv
SELECT id, CASE WHEN city = Oslo THEN 'x' ELSE 'y' END FROM people.csv
SELECT id, CASE WHEN age > 30 THEN 'a' WHEN age > 20 THEN 'b' ELSE 'c' END FROM people.csv
SELECT id, CASE WHEN note IS NULL THEN 'a' ELSE 'b' END FROM people.csv
SELECT id, CASE WHEN nosuch = 1 THEN 'a' ELSE 'b' END FROM people.csv
SELECT id, CASE WHEN age > 30 THEN nosuch ELSE 'b' END FROM people.csv
SELECT id, CASE WHEN age >= '40' THEN 'old' ELSE 'young' END FROM people.csv
SELECT id, CASE WHEN name = 'Kim' THEN age ELSE salary END FROM people.csv
SELECT id, CASE  WHEN age > 30 THEN 'a' ELSE 'b'END FROM people.csv
SELECT id, CASE WHEN age THEN 'a' ELSE 'b' END FROM people.csv
SELECT id, strftime('%Y', joined) FROM people.csv
SELECT id, strftime('%d/%m/%Y', joined) FROM people.csv
SELECT id, strftime('%H:%M', joined) FROM people.csv
SELECT id, strftime(joined) FROM people.csv
SELECT id, datediff('day', joined, joined) FROM people.csv
SELECT id, dateadd('day', 10, joined) FROM people.csv
SELECT id, dateadd('month', 1, joined) FROM people.csv
SELECT id, dateadd('year', -1, joined) FROM people.csv
SELECT id, dateadd('day', x, joined) FROM people.csv
SELECT id, extract(year FROM joined) FROM people.csv
SELECT id, extract(month from joined) FROM people.csv
SELECT id, extract(dow FROM joined) FROM people.csv
SELECT id, DATE_PART('year', joined) FROM people.csv
SELECT id, date_part('month', joined) FROM people.csv
SELECT id, DATE_PART('day', joined) AS dd FROM people.csv
SELECT id, date_part('decade', joined) FROM people.csv
SELECT id, upper(name) AS u FROM people.csv
SELECT id, length(name) len FROM people.csv
SELECT id, upper(name), lower(name) FROM people.csv
SELECT id, foo(name) FROM people.csv
SELECT id, upper(name FROM people.csv
SELECT id, upper name) FROM people.csv
SELECT n, abs(x) FROM nums.csv
SELECT n, sign(x) FROM nums.csv
SELECT n, ceil(x) FROM nums.csv
SELECT n, floor(x) FROM nums.csv
SELECT n, round(x) FROM nums.csv
SELECT n, round(x, 1) FROM nums.csv
SELECT n, mod(x, 3) FROM nums.csv
SELECT n, cast(x AS int) FROM nums.csv
SELECT n, cast(x AS float) FROM nums.csv
SELECT n, cast(x AS text) FROM nums.csv
SELECT n, greatest(x, 1) FROM nums.csv
SELECT n, least(x, n) FROM nums.csv
SELECT n, length(x) FROM nums.csv
SELECT n, reverse(x) FROM nums.csv
SELECT n, CASE WHEN x > 0 THEN 'pos' ELSE 'nonpos' END FROM nums.csv
SELECT n, CASE WHEN x = 42 THEN x ELSE n END FROM nums.csv
SELECT n, lpad(x, 6, '0') FROM nums.csv
SELECT n, concat(x, t) FROM nums.csv
SELECT n, coalesce(x, 'empty') FROM nums.csv
SELECT n, x IS NULL FROM nums.csv
SELECT n, substr(t, 1, 4) FROM nums.csv
SELECT n, upper(t) FROM nums.csv
SELECT id, extract(year FROM d) FROM dates.csv
SELECT id, extract(month FROM d) FROM dates.csv
SELECT id, extract(day FROM d) FROM dates.csv
SELECT id, extract(hour FROM ts) FROM dates.csv
SELECT id, extract(minute FROM ts) FROM dates.csv
SELECT id, extract(second FROM ts) FROM dates.csv
SELECT id, extract(dow FROM d) FROM dates.csv
SELECT id, extract(doy FROM d) FROM dates.csv
SELECT id, extract(week FROM d) FROM dates.csv
SELECT id, extract(quarter FROM d) FROM dates.csv
SELECT id, extract(epoch FROM ts) FROM dates.csv
SELECT id, extract(bogus FROM d) FROM dates.csv
SELECT id, extract('year' FROM d) FROM dates.csv
SELECT id, extract(year d) FROM dates.csv
SELECT id, datediff('day', d, d2) FROM dates.csv
SELECT id, datediff('month', d, d2) FROM dates.csv
SELECT id, datediff('year', d, d2) FROM dates.csv
SELECT id, datediff('week', d, d2) FROM dates.csv
SELECT id, datediff('hour', ts, d2) FROM dates.csv
SELECT id, datediff('minute', ts, d2) FROM dates.csv
SELECT id, datediff('second', ts, d2) FROM dates.csv
SELECT id, datediff(day, d, d2) FROM dates.csv
SELECT id, datediff('bogus', d, d2) FROM dates.csv
SELECT id, datediff('day', d) FROM dates.csv
SELECT id, datediff('day', d, nosuch) FROM dates.csv
SELECT id, dateadd('day', 1, d) FROM dates.csv
SELECT id, dateadd('day', -1, d) FROM dates.csv
SELECT id, dateadd('month', 1, d) FROM dates.csv
SELECT id, dateadd('month', 12, d) FROM dates.csv
SELECT id, dateadd('year', 1, d) FROM dates.csv
SELECT id, dateadd('hour', 5, ts) FROM dates.csv
SELECT id, dateadd('minute', 90, ts) FROM dates.csv
SELECT id, dateadd('second', 1, ts) FROM dates.csv
SELECT id, dateadd('week', 2, d) FROM dates.csv
SELECT id, dateadd('bogus', 1, d) FROM dates.csv
SELECT id, dateadd('day', 1.5, d) FROM dates.csv
SELECT id, dateadd('day', 2147483647, d) FROM dates.csv
SELECT id, dateadd(day, 1, d) FROM dates.csv
SELECT id, strftime('%Y-%m', d) FROM dates.csv
SELECT id, strftime('%Y', ts) FROM dates.csv
SELECT id, strftime('%H:%M:%S', ts) FROM dates.csv
SELECT id, strftime('%j', d) FROM dates.csv
SELECT id, strftime('%%', d) FROM dates.csv
SELECT id, strftime('no spec', d) FROM dates.csv
SELECT id, strftime('%Y', label) FROM dates.csv
SELECT id, date_part('year', d) FROM dates.csv
SELECT id, date_part('hour', ts) FROM dates.csv
SELECT id, date_part('minute', ts) FROM dates.csv
SELECT id, date_part('second', ts) FROM dates.csv
SELECT id, DATE_PART('month', ts) AS m FROM dates.csv
SELECT id, upper(word) FROM unicode.csv
SELECT id, lower(word) FROM unicode.csv
SELECT id, length(word) FROM unicode.csv
SELECT id, reverse(word) FROM unicode.csv
SELECT id, substr(word, 1, 2) FROM unicode.csv
SELECT id, lpad(word, 8, '·') FROM unicode.csv
SELECT id, replace(word, 'ä', 'ae') FROM unicode.csv
SELECT id, split_part(word, ' ', 1) FROM unicode.csv
SELECT k, upper(v) FROM crlf.csv
SELECT k, length(v) FROM crlf.csv
SELECT k, concat(k, v) FROM crlf.csv
SELECT k, coalesce(v, 'none') FROM crlf.csv
SELECT k, abs(w) FROM crlf.csv
SELECT k, cast(w AS int) FROM crlf.csv
SELECT upper(name) FROM people.csv WHERE age > 30 ORDER BY age
SELECT id, upper(name) AS n FROM people.csv ORDER BY n
SELECT id, length(name) FROM people.csv ORDER BY 2 DESC, 1
SELECT DISTINCT upper(city) FROM people.csv
SELECT DISTINCT city, length(city) FROM people.csv
SELECT concat(name, ', ', city) AS label FROM people.csv LIMIT 3
SELECT id, CASE WHEN age >= 40 THEN 'old' ELSE 'young' END AS band FROM people.csv ORDER BY band, id
SELECT id, cast(age AS int) FROM people.csv WHERE cast(age AS int) > 30
SELECT id FROM people.csv WHERE length(name) > 5
SELECT id FROM people.csv WHERE upper(city) = 'OSLO'
SELECT DISTINCT city FROM people.csv
SELECT distinct city FROM people.csv
SELECT DISTINCT city, age FROM people.csv
SELECT DISTINCT g FROM dups.csv
SELECT DISTINCT g, v FROM dups.csv
SELECT DISTINCT v FROM dups.csv ORDER BY v DESC
SELECT DISTINCT g FROM dups.csv LIMIT 2
SELECT DISTINCT g FROM dups.csv OFFSET 1
SELECT DISTINCT g FROM dups.csv ORDER BY g LIMIT 2 OFFSET 1
SELECT DISTINCTcity FROM people.csv
SELECT DISTINCT FROM people.csv
SELECT DISTINCT lang FROM unicode.csv
SELECT * FROM people.csv ORDER BY 9 DESC
SELECT id, name, age FROM people.csv WHERE age > 25 ORDER BY 2 desc
SELECT * FROM people.csv WHERE city != 'Oslo' ORDER BY 0 desc LIMIT 3
SELECT * FROM people.csv WHERE city != 'Oslo' ORDER BY age asc, 9 LIMIT 0
SELECT id, city, score FROM people.csv WHERE city != 'Oslo' ORDER BY city DESC
SELECT * FROM people.csv WHERE city != 'Oslo' ORDER BY 0 desc OFFSET 10
SELECT * FROM people.csv ORDER BY nosuch, salary, score desc
SELECT id, city, score FROM people.csv ORDER BY salary LIMIT 0
SELECT id, name, age FROM people.csv WHERE city != 'Oslo' ORDER BY joined desc, age, city desc LIMIT 3
SELECT * FROM people.csv WHERE city != 'Oslo' ORDER BY 1 ASC, nosuch desc LIMIT 3
SELECT id, city, score FROM people.csv WHERE age > 25 ORDER BY 2 asc LIMIT 3
SELECT id, name, age FROM people.csv ORDER BY city asc, 1 DESC, score desc OFFSET 10
SELECT name, salary, joined FROM people.csv WHERE city != 'Oslo' ORDER BY score, id DESC LIMIT 5 OFFSET 2
SELECT id, city, score FROM people.csv ORDER BY city, note
SELECT id, name, age FROM people.csv WHERE age > 25 ORDER BY 2, 1 DESC LIMIT 100
SELECT name, salary, joined FROM people.csv ORDER BY id LIMIT 3
SELECT name, salary, joined FROM people.csv ORDER BY nosuch asc OFFSET 10
SELECT id, city, score FROM people.csv ORDER BY 0 ASC LIMIT 0
SELECT * FROM people.csv ORDER BY name desc, salary ASC LIMIT 3
SELECT id, city, score FROM people.csv ORDER BY city ASC LIMIT 3
SELECT name, salary, joined FROM people.csv ORDER BY 9 desc OFFSET 10
SELECT id, name, age FROM people.csv ORDER BY joined desc, 0, 1 LIMIT 3
SELECT id, city, score FROM people.csv WHERE city != 'Oslo' ORDER BY age DESC LIMIT 5 OFFSET 2
SELECT name, salary, joined FROM people.csv ORDER BY salary, name OFFSET 10
SELECT id, city, score FROM people.csv WHERE age > 25 ORDER BY name LIMIT 0
SELECT * FROM people.csv WHERE city != 'Oslo' ORDER BY city asc, 3 DESC, 2 ASC LIMIT 0
SELECT * FROM people.csv ORDER BY name OFFSET 10
SELECT id, city, score FROM people.csv ORDER BY 9
SELECT * FROM people.csv ORDER BY city LIMIT 5 OFFSET 2
SELECT * FROM people.csv ORDER BY 1 DESC, nosuch asc LIMIT 3
SELECT name, salary, joined FROM people.csv ORDER BY 2 desc, 3 ASC, score asc LIMIT 100
SELECT * FROM people.csv WHERE city != 'Oslo' ORDER BY 0, score desc
SELECT * FROM people.csv WHERE age > 25 ORDER BY 3 ASC, score, nosuch asc
SELECT id, city, score FROM people.csv WHERE age > 25 ORDER BY id, name desc LIMIT 100
SELECT name, salary, joined FROM people.csv ORDER BY 0, age asc OFFSET 10
SELECT id, city, score FROM people.csv WHERE age > 25 ORDER BY nosuch, 1 DESC, 2 OFFSET 10
SELECT name, salary, joined FROM people.csv WHERE city != 'Oslo' ORDER BY city asc, score ASC LIMIT 5 OFFSET 2
SELECT id, name, age FROM people.csv ORDER BY city ASC OFFSET 10
SELECT * FROM people.csv ORDER BY 9 asc OFFSET 10
SELECT id, city, score FROM people.csv ORDER BY score asc, name LIMIT 5 OFFSET 2
SELECT id, name, age FROM people.csv WHERE age > 25 ORDER BY id desc, 0 desc LIMIT 100
SELECT * FROM people.csv ORDER BY id ASC, note, 3 asc LIMIT 100
SELECT name, salary, joined FROM people.csv WHERE city != 'Oslo' ORDER BY age DESC, nosuch DESC LIMIT 100
SELECT id, city, score FROM people.csv WHERE city != 'Oslo' ORDER BY note asc
SELECT name, salary, joined FROM people.csv WHERE city != 'Oslo' ORDER BY city asc, joined desc LIMIT 5 OFFSET 2
SELECT id, city, score FROM people.csv WHERE age > 25 ORDER BY salary asc
SELECT id, city, score FROM people.csv ORDER BY joined, 1 DESC LIMIT 100
SELECT id, name, age FROM people.csv ORDER BY 1 desc, 3 ASC, age ASC
SELECT * FROM people.csv WHERE age > 25 ORDER BY 0 DESC LIMIT 3
SELECT id, name, age FROM people.csv ORDER BY nosuch DESC
SELECT n, x, t FROM nums.csv ORDER BY x
SELECT n, x, t FROM nums.csv ORDER BY x DESC
SELECT n, x, t FROM nums.csv ORDER BY t
SELECT n, x, t FROM nums.csv ORDER BY t DESC
SELECT n, x, t FROM nums.csv ORDER BY n DESC
SELECT n, x, t FROM nums.csv ORDER BY x, n
SELECT n, x, t FROM nums.csv ORDER BY x DESC, n DESC
SELECT n, x, t FROM nums.csv ORDER BY 2
SELECT n, x, t FROM nums.csv ORDER BY 3 DESC
SELECT id, d, ts FROM dates.csv ORDER BY d
SELECT id, d, ts FROM dates.csv ORDER BY ts DESC
SELECT id, d, ts FROM dates.csv ORDER BY label
SELECT id, d, ts FROM dates.csv ORDER BY d2 DESC, id
SELECT id, word, lang FROM unicode.csv ORDER BY word
SELECT id, word, lang FROM unicode.csv ORDER BY word DESC
SELECT id, word, lang FROM unicode.csv ORDER BY lang, word
SELECT id, word, lang FROM unicode.csv ORDER BY lang DESC, word DESC
SELECT k, v FROM crlf.csv ORDER BY v
SELECT "the id", remark FROM quoted.csv ORDER BY remark
SELECT "the id", "a,b" FROM quoted.csv ORDER BY "a,b" DESC
SELECT id, name FROM people.csv ORDER BY age, name
SELECT id, name FROM people.csv ORDER BY AGE DESC
SELECT id, name FROM people.csv ORDER BY age DESC LIMIT 3
SELECT id, name FROM people.csv ORDER BY
SELECT id, name FROM people.csv ORDER BY age DES
SELECT id, name FROM people.csv ORDER BY age,
SELECT id, name FROM people.csv ORDER BY 'age'
SELECT id, name FROM people.csv ORDER BY upper(name)
SELECT id, name AS who FROM people.csv ORDER BY who DESC
SELECT id FROM people.csv ORDER BY name
SELECT id, name FROM people.csv LIMIT 0
SELECT id, name FROM people.csv LIMIT 1
SELECT id, name FROM people.csv LIMIT 3
SELECT id, name FROM people.csv LIMIT 100
SELECT id, name FROM people.csv OFFSET 0
SELECT id, name FROM people.csv OFFSET 3
SELECT id, name FROM people.csv OFFSET 14
SELECT id, name FROM people.csv OFFSET 15
SELECT id, name FROM people.csv OFFSET 100
SELECT id, name FROM people.csv LIMIT 3 OFFSET 2
SELECT id, name FROM people.csv OFFSET 2 LIMIT 3
SELECT id, name FROM people.csv LIMIT 2 OFFSET 14
SELECT id, name FROM people.csv LIMIT 1_0
SELECT id, name FROM people.csv LIMIT +2
SELECT id, name FROM people.csv LIMIT -1
SELECT id, name FROM people.csv LIMIT -0
SELECT id, name FROM people.csv OFFSET -1
SELECT id, name FROM people.csv LIMIT abc
SELECT id, name FROM people.csv LIMIT 1.5
SELECT id, name FROM people.csv LIMIT 99999999999
SELECT id, name FROM people.csv LIMIT
SELECT id, name FROM people.csv OFFSET
SELECT id, name FROM people.csv LIMIT 2147483647
SELECT id, name FROM people.csv LIMIT 2147483648
SELECT id, name FROM people.csv OFFSET 2147483647
SELECT id, name FROM people.csv LIMIT 2 LIMIT 3
SELECT id, name FROM people.csv limit 2 offset 1
SELECT id, name FROM people.csv LIMIT 3 WHERE id > 1
SELECT id, name FROM people.csv LIMIT 1_
SELECT id, name FROM people.csv LIMIT _1
SELECT id, name FROM people.csv LIMIT 0x10
SELECT id, name FROM people.csv LIMIT  4 
SELECT id, name FROM people.csv WHERE age > 30 LIMIT 2
SELECT id, name FROM people.csv WHERE age > 30 OFFSET 2
SELECT id, name FROM people.csv WHERE age > 30 ORDER BY id DESC LIMIT 2 OFFSET 1
SELECT * FROM people.csv ORDER BY salary DESC LIMIT 4
SELECT * FROM nums.csv ORDER BY x LIMIT 5 OFFSET 3

 
SELECT
SELECT a
SELECT FROM people.csv
SELECT * FROM
DELETE FROM people.csv
UPDATE people.csv SET a = 1
INSERT INTO people.csv VALUES (1)
SELEC * FROM people.csv
SELECT * FORM people.csv
SELECT * FROM 'people.csv
SELECT * FROM nosuch.csv
SELECT * FROM 'no such.csv'
SELECT * FROM data
SELECT * FROM .
SELECT * FROM /
SELECT id FROM people.csv UNION SELECT id FROM nums.csv
SELECT id FROM people.csv union all SELECT id FROM nums.csv
SELECT id FROM people.csv INTERSECT SELECT n FROM nums.csv
SELECT id FROM people.csv EXCEPT SELECT n FROM nums.csv
SELECT id FROM (SELECT id FROM people.csv)
SELECT id FROM people.csv WHERE id = (SELECT max(n) FROM nums.csv)
SELECT id FROM people.csv WHERE id IN (SELECT n FROM nums.csv)
SELECT id FROM people.csv WHERE id IN (select n FROM nums.csv)
SELECT (SELECT 1) FROM people.csv
SELECT id FROM people.csv WHERE EXISTS (SELECT n FROM nums.csv)
SELECT 1 FROM people.csv
SELECT 'x' FROM people.csv
SELECT id + 1 FROM people.csv
SELECT id * 2 AS d FROM people.csv
SELECT -id FROM people.csv
SELECT id, FROM people.csv
SELECT , id FROM people.csv
SELECT id id id FROM people.csv
SELECT id FROM people.csv people
SELECT id FROM people.csv WHERE id = 1 WHERE id = 2
SELECT id FROM people.csv GROUP BY
WITH t AS (SELECT 1) SELECT * FROM t
explain SELECT id FROM people.csv
SELECT id FROM people.csv WHERE id = 1;DROP TABLE x
SELECTid FROM people.csv
SELECT id FROM people.csv WHERE name = 'ab'
SELECT id FROM people.csv WHERE name = 'é'
SELECT * FROM people.csv LEFT JOIN cities.csv ON people.city = cities.city
SELECT * FROM people.csv p RIGHT JOIN cities.csv c ON p.city = c.city
SELECT * FROM people.csv p FULL OUTER JOIN cities.csv c ON p.city = c.city
SELECT * FROM people.csv p OUTER JOIN cities.csv c ON p.city = c.city
SELECT * FROM people.csv p CROSS JOIN cities.csv c
SELECT * FROM people.csv p JOIN cities.csv c
SELECT * FROM people.csv p JOIN cities.csv c ON p.city
SELECT * FROM people.csv p JOIN cities.csv c ON p.city != c.city
SELECT * FROM people.csv p JOIN cities.csv c ON = c.city
SELECT * FROM people.csv p JOIN nosuch.csv c ON p.city = c.city
SELECT * FROM stdin p JOIN cities.csv c ON p.city = c.city
SELECT id FROM people.csv HAVING id > 1
SELECT id FROM people.csv WHERE id > 1 HAVING id > 1
SELECT count(*) FROM people.csv
SELECT count(*) FROM people.csv WHERE age > 30
SELECT COUNT(*) FROM people.csv
SELECT count(id) FROM people.csv
SELECT count(id) FROM people.csv WHERE age > 30
SELECT count(DISTINCT city) FROM people.csv
SELECT sum(age) FROM people.csv
SELECT avg(salary) FROM people.csv
SELECT min(age) FROM people.csv
SELECT max(name) FROM people.csv
SELECT max(name) FROM people.csv WHERE age > 30
SELECT median(age) FROM people.csv
SELECT median(age) FROM people.csv WHERE age > 30
SELECT stddev(age) FROM people.csv
SELECT stddev(age) FROM people.csv WHERE age > 30
SELECT variance(salary) FROM people.csv
SELECT variance(salary) FROM people.csv WHERE age > 30
SELECT stddev_pop(age) FROM people.csv
SELECT stddev_pop(age) FROM people.csv WHERE age > 30
SELECT var_samp(age) FROM people.csv
SELECT var_samp(age) FROM people.csv WHERE age > 30
SELECT group_concat(name) FROM people.csv
SELECT group_concat(name) FROM people.csv WHERE age > 30
SELECT string_agg(name, ';') FROM people.csv
SELECT sum(age), count(*) FROM people.csv
SELECT sum(age), count(*) FROM people.csv WHERE age > 30
SELECT round(avg(age), 1) FROM people.csv
SELECT round(avg(age), 1) FROM people.csv WHERE age > 30
SELECT count(*) AS n FROM people.csv
SELECT count(*) AS n FROM people.csv WHERE age > 30
SELECT sum(CASE WHEN age > 30 THEN 1 ELSE 0 END) FROM people.csv
SELECT count(nosuch) FROM people.csv
SELECT count(nosuch) FROM people.csv WHERE age > 30
SELECT bogus_agg(age) FROM people.csv
SELECT bogus_agg(age) FROM people.csv WHERE age > 30
SELECT city, count(*) FROM people.csv GROUP BY city
SELECT city, count(*) FROM people.csv GROUP BY city ORDER BY city LIMIT 2
SELECT city, sum(age) FROM people.csv WHERE age > 20 GROUP BY city HAVING sum(age) > 50
SELECT city FROM people.csv GROUP BY city
SELECT upper(city), count(*) FROM people.csv GROUP BY upper(city)
SELECT city, age FROM people.csv GROUP BY city, age
SELECT name, count(*) FROM people.csv
SELECT city, count(*) FROM people.csv GROUP BY nosuch
SELECT g, count(*), sum(v) FROM dups.csv GROUP BY g
SELECT DATE_PART('year', joined), count(*) FROM people.csv GROUP BY DATE_PART('year', joined)
SELECT p.name, c.country FROM people.csv p JOIN cities.csv c ON p.city = c.city
SELECT p.name, c.country FROM people.csv p INNER JOIN cities.csv c ON p.city = c.city WHERE p.age > 30
SELECT * FROM people.csv p JOIN cities.csv c ON p.city = c.city
SELECT c.country, count(*) FROM people.csv p JOIN cities.csv c ON p.city = c.city GROUP BY c.country
SELECT p.name FROM people.csv p JOIN cities.csv c ON p.city = c.city JOIN dups.csv d ON c.city = d.g
SELECT count(*) FROM people.csv p JOIN cities.csv c ON p.city = c.city
SELECT * FROM reading.csv
SELECT a, d"e FROM reading.csv
SELECT a FROM reading.csv WHERE a = 2
SELECT * FROM lonecr.csv
SELECT a FROM lonecr.csv WHERE a = '9'
SELECT c0 FROM wide.csv
