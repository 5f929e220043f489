"""Tests of the ctypes module: python3 -m unittest test_narwe (from this folder).

The library is taken from NARWE_LIBRARY or the repository's build tree.
"""

import os
import shutil
import tempfile
import threading
import unittest

import narwe

PEOPLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "people.csv")


class QueryTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="narwe_py_")
        shutil.copy(PEOPLE, os.path.join(cls.dir, "people.csv"))
        with open(os.path.join(cls.dir, "odd.csv"), "wb") as f:
            f.write(b'k,v\n007,\n-0,"a,""b"""\nx\xff,1e5\n')
        cls.people = "'" + os.path.join(cls.dir, "people.csv") + "'"
        cls.odd = "'" + os.path.join(cls.dir, "odd.csv") + "'"

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def test_json_rows_are_dicts_with_numbers_typed(self):
        rows = narwe.query("SELECT name, age, salary FROM %s WHERE age > 44" % self.people)
        self.assertEqual(rows, [{"name": "Chen, Wei", "age": 45, "salary": 78000},
                                {"name": "Farid Aziz", "age": 51, "salary": 90500}])

    def test_csv_rows_are_text_with_header_first(self):
        rows = narwe.query("SELECT name, salary FROM %s WHERE id <= 1 OR id = 8" % self.people, format="csv")
        self.assertEqual(rows, [["name", "salary"], ["Ann Lee", "52000.50"], ['Hugo "Hue" Braun', "66000"]])

    def test_values_survive_both_formats(self):
        # Leading zeros, the empty value, quotes, commas and a byte that is not
        # UTF-8 come back as they are in the file.
        as_json = narwe.query("SELECT k, v FROM %s" % self.odd)
        as_csv = narwe.query("SELECT k, v FROM %s" % self.odd, format="csv")
        self.assertEqual(as_json, [{"k": "007", "v": ""}, {"k": 0, "v": 'a,"b"'},
                                   {"k": "x\udcff", "v": 100000.0}])
        self.assertEqual(as_csv, [["k", "v"], ["007", ""], ["-0", 'a,"b"'], ["x\udcff", "1e5"]])

    def test_empty_results(self):
        self.assertEqual(narwe.query("SELECT name FROM %s WHERE age > 99" % self.people), [])
        self.assertEqual(narwe.query("SELECT name FROM %s WHERE age > 99" % self.people, "csv"), [["name"]])

    def test_errors_carry_the_error_name(self):
        cases = [
            ("SELECT name FROM 'no-such-file.csv'", "FileNotFound"),
            ("SELECT nope FROM %s" % self.people, "ColumnNotFound"),
            ("SELECT name FROM %s LIMIT -1" % self.people, "NegativeLimitNotAllowed"),
            ("", "InvalidQuery"),
        ]
        for sql, name in cases:
            with self.subTest(sql=sql):
                with self.assertRaises(narwe.NarweError) as caught:
                    narwe.query(sql)
                self.assertEqual(caught.exception.name, name)

    def test_raw_text_and_bad_arguments(self):
        text = narwe.query_text("SELECT id FROM %s LIMIT 1" % self.people, "csv")
        self.assertEqual(text, "id\n1\n")
        with self.assertRaises(ValueError):
            narwe.query("SELECT id FROM %s" % self.people, format="xml")
        with self.assertRaises(ValueError):
            narwe.query("SELECT id\0 FROM x")

    def test_calls_from_several_threads(self):
        results = [None] * 8

        def run(slot):
            results[slot] = narwe.query("SELECT id FROM %s WHERE id = %d" % (self.people, slot + 1))

        threads = [threading.Thread(target=run, args=(slot,)) for slot in range(8)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(results, [[{"id": slot + 1}] for slot in range(8)])

    def test_library_path_argument(self):
        path = os.environ.get("NARWE_LIBRARY")
        if not path:
            self.skipTest("NARWE_LIBRARY not set")
        own = narwe.Narwe(path)
        self.assertEqual(own.query("SELECT id FROM %s LIMIT 1" % self.people), [{"id": 1}])
        with self.assertRaises(OSError):
            narwe.Narwe(os.path.join(self.dir, "missing.so"))


if __name__ == "__main__":
    unittest.main()
