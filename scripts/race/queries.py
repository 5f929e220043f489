"""The race's queries, each written for every engine.

`narwe` is libnarwe's dialect over the files in the working directory; `duckdb`
is a DuckDB SELECT over read_csv (the driver wraps it in COPY ... TO); `sqlite`
runs over the tables that the import step creates (sales, customers). None
means the engine has no way to say it (sqlite3 has no median or stddev).
`ordered` tells the agreement check that the statement fixes the row order;
otherwise rows are compared as a multiset.
"""

SALES_D = "read_csv('sales.csv')"
CUSTOMERS_D = "read_csv('customers.csv')"

QUERIES = [
    dict(id="q01", title="count(*)",
         narwe="SELECT count(*) FROM 'sales.csv'",
         duckdb=f"SELECT count(*) FROM {SALES_D}",
         sqlite="SELECT count(*) FROM sales",
         ordered=True),
    dict(id="q02", title="count with a numeric WHERE",
         narwe="SELECT count(*) FROM 'sales.csv' WHERE amount > 100",
         duckdb=f"SELECT count(*) FROM {SALES_D} WHERE amount > 100",
         sqlite="SELECT count(*) FROM sales WHERE amount > 100",
         ordered=True),
    dict(id="q03", title="GROUP BY city: count, sum, avg",
         narwe="SELECT city, count(*), sum(amount), avg(amount) FROM 'sales.csv' GROUP BY city",
         duckdb=f"SELECT city, count(*), sum(amount), avg(amount) FROM {SALES_D} GROUP BY city",
         sqlite="SELECT city, count(*), sum(amount), avg(amount) FROM sales GROUP BY city",
         ordered=False),
    dict(id="q04", title="GROUP BY customer + HAVING avg",
         narwe="SELECT customer, count(*), avg(amount) FROM 'sales.csv' GROUP BY customer "
               "HAVING avg(amount) > 90",
         duckdb=f"SELECT customer, count(*), avg(amount) FROM {SALES_D} GROUP BY customer "
                "HAVING avg(amount) > 90",
         sqlite="SELECT customer, count(*), avg(amount) FROM sales GROUP BY customer "
                "HAVING avg(amount) > 90",
         ordered=False),
    dict(id="q05", title="SELECT * with a numeric WHERE (~6 %)",
         narwe="SELECT * FROM 'sales.csv' WHERE amount > 190",
         duckdb=f"SELECT * FROM {SALES_D} WHERE amount > 190",
         sqlite="SELECT * FROM sales WHERE amount > 190",
         ordered=False),
    dict(id="q06", title="ORDER BY amount DESC LIMIT 10",
         narwe="SELECT * FROM 'sales.csv' ORDER BY amount DESC LIMIT 10",
         duckdb=f"SELECT * FROM {SALES_D} ORDER BY amount DESC LIMIT 10",
         sqlite="SELECT * FROM sales ORDER BY amount DESC LIMIT 10",
         ordered=True),
    dict(id="q07", title="upper/round projection with a WHERE",
         narwe="SELECT id, upper(city), round(amount, 1) FROM 'sales.csv' WHERE qty > 5",
         duckdb=f"SELECT id, upper(city), round(amount, 1) FROM {SALES_D} WHERE qty > 5",
         sqlite="SELECT id, upper(city), round(amount, 1) FROM sales WHERE qty > 5",
         ordered=False),
    dict(id="q08", title="count(DISTINCT customer)",
         narwe="SELECT count(DISTINCT customer) FROM 'sales.csv'",
         duckdb=f"SELECT count(DISTINCT customer) FROM {SALES_D}",
         sqlite="SELECT count(DISTINCT customer) FROM sales",
         ordered=True),
    dict(id="q09", title="SELECT DISTINCT city",
         narwe="SELECT DISTINCT city FROM 'sales.csv'",
         duckdb=f"SELECT DISTINCT city FROM {SALES_D}",
         sqlite="SELECT DISTINCT city FROM sales",
         ordered=False),
    dict(id="q10", title="median + stddev by city",
         narwe="SELECT city, median(amount), stddev(amount) FROM 'sales.csv' GROUP BY city",
         duckdb=f"SELECT city, median(amount), stddev(amount) FROM {SALES_D} GROUP BY city",
         sqlite=None,
         ordered=False),
    dict(id="q11", title="LIKE filter",
         narwe="SELECT id, customer, note FROM 'sales.csv' WHERE note LIKE '%refund%'",
         duckdb=f"SELECT id, customer, note FROM {SALES_D} WHERE note LIKE '%refund%'",
         # sqlite3's LIKE ignores ASCII case; GLOB is its case-sensitive match.
         sqlite="SELECT id, customer, note FROM sales WHERE note GLOB '*refund*'",
         ordered=False),
    dict(id="q12", title="JOIN customers + WHERE + GROUP BY segment",
         narwe="SELECT c.segment, count(*), sum(s.amount) FROM 'sales.csv' s "
               "JOIN 'customers.csv' c ON s.customer = c.customer "
               "WHERE s.amount > 20 GROUP BY c.segment",
         duckdb=f"SELECT c.segment, count(*), sum(s.amount) FROM {SALES_D} s "
                f"JOIN {CUSTOMERS_D} c ON s.customer = c.customer "
                "WHERE s.amount > 20 GROUP BY c.segment",
         sqlite="SELECT c.segment, count(*), sum(s.amount) FROM sales s "
                "JOIN customers c ON s.customer = c.customer "
                "WHERE s.amount > 20 GROUP BY c.segment",
         ordered=False),
    dict(id="q13", title="GROUP BY strftime month",
         narwe="SELECT strftime('%Y-%m', created_at), count(*), sum(amount) FROM 'sales.csv' "
               "GROUP BY strftime('%Y-%m', created_at)",
         duckdb=f"SELECT strftime(created_at, '%Y-%m'), count(*), sum(amount) FROM {SALES_D} "
                "GROUP BY strftime(created_at, '%Y-%m')",
         sqlite="SELECT strftime('%Y-%m', created_at), count(*), sum(amount) FROM sales "
                "GROUP BY strftime('%Y-%m', created_at)",
         ordered=False),
]

# The sqlite3 import: typed tables, then the CLI's CSV import without the header.
SQLITE_IMPORT = """\
CREATE TABLE sales(id INTEGER, city TEXT, customer TEXT, product TEXT, amount REAL,
                   qty INTEGER, created_at TEXT, note TEXT);
CREATE TABLE customers(customer TEXT, name TEXT, segment TEXT, country TEXT);
.import --csv --skip 1 sales.csv sales
.import --csv --skip 1 customers.csv customers
"""
