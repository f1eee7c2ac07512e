"""The office in the browser, then over plain HTTP, then its transport under abuse, against one office (one PostgreSQL, one fleet,
one server): the HTTP tests end by stopping the server with SIGTERM."""
import os
import sys
import unittest

import browser_test
import http_test
import sessions_http_test
import transport_test
from office_fixture import Office


def main():
    office = Office()
    browser_test.office = http_test.office = transport_test.office = office
    os.makedirs(browser_test.SHOTS, exist_ok=True)
    try:
        suite = unittest.TestSuite([unittest.defaultTestLoader.loadTestsFromModule(browser_test),
                                    unittest.defaultTestLoader.loadTestsFromModule(sessions_http_test),
                                    unittest.defaultTestLoader.loadTestsFromModule(http_test),
                                    unittest.defaultTestLoader.loadTestsFromModule(transport_test)])
        result = unittest.TextTestRunner(verbosity=2).run(suite)
    finally:
        office.close()
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
