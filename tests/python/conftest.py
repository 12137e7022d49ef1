"""The package under test comes from PYTHONPATH (build/python); the
command line it is compared with from REFLDSGN_BIN (the build folder)."""
import os
import sys

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "scripts"))


@pytest.fixture(scope="session")
def solve_program():
    path = os.path.abspath(os.path.join(os.environ.get("REFLDSGN_BIN", os.path.join(HERE, "..", "..", "build")),
                                        "refldsgn-solve"))
    if not os.access(path, os.X_OK):
        pytest.skip("no refldsgn-solve at %s (set REFLDSGN_BIN)" % path)
    return path
