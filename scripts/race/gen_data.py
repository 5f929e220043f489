#!/usr/bin/env python3
"""Seeded generator of the race's input files: sales.csv and customers.csv.

Usage: gen_data.py SIZE OUTDIR    (SIZE: small, medium or large)

The same size always produces the same bytes: one fixed seed drives a
`random.Random`, and nothing else (clock, hash order, locale) reaches the output.
"""
import csv
import math
import random
import sys
import os

ROWS = {"small": 11_000, "medium": 330_000, "large": 6_500_000}
SEED = 20260808
CUSTOMERS = 100_000          # customer ids used by sales
CUSTOMERS_KEPT = 0.975        # share of them present in customers.csv

# About fifty cities; the weights below give them a Zipf-like skew. One name
# holds a comma, so the CSV writer must quote it.
CITIES = [
    "New York", "Los Angeles", "Chicago", "Houston", "Phoenix", "Philadelphia",
    "San Antonio", "San Diego", "Dallas", "San Jose", "Austin", "Jacksonville",
    "Fort Worth", "Columbus", "Charlotte", "Indianapolis", "San Francisco",
    "Seattle", "Denver", "Washington, D.C.", "Boston", "El Paso", "Nashville",
    "Detroit", "Oklahoma City", "Portland", "Las Vegas", "Memphis", "Louisville",
    "Baltimore", "Milwaukee", "Albuquerque", "Tucson", "Fresno", "Mesa",
    "Sacramento", "Atlanta", "Kansas City", "Colorado Springs", "Omaha",
    "Raleigh", "Miami", "Long Beach", "Virginia Beach", "Oakland",
    "Minneapolis", "Tulsa", "Tampa", "Arlington", "New Orleans",
]

ADJECTIVES = ["Red", "Blue", "Green", "Steel", "Oak", "Glass", "Paper", "Smart",
              "Mini", "Mega", "Eco", "Pro", "Classic", "Travel", "Kids"]
NOUNS = ["Lamp", "Chair", "Mug", "Kettle", "Desk", "Backpack", "Pen", "Clock",
         "Speaker", "Blanket", "Bottle", "Router", "Shelf", "Tray", "Fan",
         "Helmet", "Jacket", "Notebook", "Charger", "Scale"]

# Free-text notes. Some hold commas, some quotes (written doubled), some the
# word the LIKE query looks for.
NOTE_PHRASES = [
    "delivered on time",
    "left at the front door",
    "customer asked for a refund",
    "refund issued, item returned",
    "gift wrap, please",
    'said "great service"',
    'box marked "fragile", handled with care',
    "call before delivery",
    "second attempt; nobody home",
    "upgrade to express shipping",
    "discount code applied",
    "damaged packaging, contents fine",
    "repeat order",
    "wants invoice by e-mail",
    "pick-up at store",
]
NOTE_WEIGHTS = [14, 12, 2, 1, 6, 4, 3, 8, 5, 6, 9, 4, 10, 6, 5]

FIRST_NAMES = ["Ana", "Ben", "Chloe", "Dev", "Elif", "Femi", "Grace", "Hiro",
               "Ines", "Jon", "Kira", "Luis", "Mona", "Nils", "Omar", "Priya",
               "Quinn", "Rosa", "Sam", "Tara", "Uma", "Viktor", "Wen", "Yara",
               "Zoe"]
LAST_NAMES = ["Adams", "Brown", "Chen", "Diaz", "Evans", "Fischer", "Garcia",
              "Hughes", "Ito", "Jones", "Kim", "Lopez", "Martin", "Novak",
              "O'Brien", "Patel", "Rossi", "Silva", "Tanaka", "Weber"]
SEGMENTS = ["Consumer", "Corporate", "Home Office", "Small Business"]
COUNTRIES = ["US", "Canada", "Mexico", "UK", "Germany", "France", "Japan",
             "Brazil", "India", "Australia"]

START_DAY = 19358            # 2023-01-01 as days since 1970-01-01
DAYS = 731                   # through 2024-12-31


def cumulative(weights):
    total = 0.0
    out = []
    for w in weights:
        total += w
        out.append(total)
    return [c / total for c in out]


def pick(cum, u):
    # Index of the first cumulative weight above u, by bisection; one draw per
    # pick, so the stream of draws does not depend on the values drawn.
    lo, hi = 0, len(cum) - 1
    while lo < hi:
        mid = (lo + hi) // 2
        if cum[mid] > u:
            hi = mid
        else:
            lo = mid + 1
    return lo


def day_texts():
    import datetime
    base = datetime.date(1970, 1, 1)
    return [(base + datetime.timedelta(days=START_DAY + d)).isoformat() for d in range(DAYS)]


def write_sales(path, rows, rng):
    city_cum = cumulative([1.0 / (i + 1) ** 0.9 for i in range(len(CITIES))])
    note_cum = cumulative(NOTE_WEIGHTS)
    products = [f"{a} {n}" for a in ADJECTIVES for n in NOUNS]   # 300 products
    days = day_texts()
    clock = [f"{h:02d}:{m:02d}:" for h in range(24) for m in range(60)]
    mu = math.log(40.0)
    random_ = rng.random
    gauss = rng.gauss
    with open(path, "w", newline="", encoding="utf-8") as f:
        writer = csv.writer(f, lineterminator="\n")
        writer.writerow(["id", "city", "customer", "product", "amount", "qty", "created_at", "note"])
        batch = []
        for row_id in range(1, rows + 1):
            city = CITIES[pick(city_cum, random_())]
            # Mildly skewed towards low customer numbers.
            customer = "CUST-%06d" % (int(CUSTOMERS * random_() ** 1.3) + 1)
            product = products[int(len(products) * random_())]
            amount = math.exp(mu + gauss(0.0, 1.0))
            amount_text = "%.2f" % max(amount, 0.01)
            qty = 1 + int(10 * random_() ** 2)
            seconds = int(DAYS * 86400 * random_())
            created = "%s %s%02d" % (days[seconds // 86400], clock[(seconds % 86400) // 60], seconds % 60)
            if random_() < 0.45:
                note = ""
            else:
                note = NOTE_PHRASES[pick(note_cum, random_())]
                if random_() < 0.85:
                    note = "order %d: %s" % (int(1_000_000 * random_()), note)
            batch.append((row_id, city, customer, product, amount_text, qty, created, note))
            if len(batch) == 10_000:
                writer.writerows(batch)
                batch.clear()
        writer.writerows(batch)


def write_customers(path, rng):
    with open(path, "w", newline="", encoding="utf-8") as f:
        writer = csv.writer(f, lineterminator="\n")
        writer.writerow(["customer", "name", "segment", "country"])
        for number in range(1, CUSTOMERS + 1):
            if rng.random() >= CUSTOMERS_KEPT:
                continue      # this customer has sales but no record here
            name = "%s %s" % (FIRST_NAMES[int(len(FIRST_NAMES) * rng.random())],
                              LAST_NAMES[int(len(LAST_NAMES) * rng.random())])
            segment = SEGMENTS[int(len(SEGMENTS) * rng.random())]
            country = COUNTRIES[int(len(COUNTRIES) * rng.random())]
            writer.writerow(["CUST-%06d" % number, name, segment, country])


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ROWS:
        sys.exit("usage: gen_data.py small|medium|large OUTDIR")
    size, outdir = sys.argv[1], sys.argv[2]
    os.makedirs(outdir, exist_ok=True)
    # Separate streams, so the customer table does not depend on the size.
    write_customers(os.path.join(outdir, "customers.csv.part"), random.Random(SEED + 1))
    write_sales(os.path.join(outdir, "sales.csv.part"), ROWS[size], random.Random(SEED))
    os.replace(os.path.join(outdir, "customers.csv.part"), os.path.join(outdir, "customers.csv"))
    os.replace(os.path.join(outdir, "sales.csv.part"), os.path.join(outdir, "sales.csv"))


if __name__ == "__main__":
    main()
