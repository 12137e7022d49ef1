from typing import Any, Callable, Dict, Iterator, Optional, Tuple, Union
import enum
import os

import numpy as np
import numpy.typing as npt

__version__: str
VALUES: Tuple[str, ...]
COLUMNS: Tuple[str, ...]
QUANTITIES: Dict[str, str]

class InputError(ValueError): ...
class AnalysisError(RuntimeError): ...

class Check(enum.IntFlag):
    no_solution: int
    non_finite: int
    non_positive: int
    wrong_conic: int
    sub_not_smaller: int
    angle_range: int
    feed_not_smaller: int
    feed_beyond_focus: int
    inconsistent: int

_Path = Union[str, os.PathLike[str]]
_Range = Optional[Tuple[float, float, float]]

def steps(start: float, stop: float, step: float) -> npt.NDArray[np.float32]: ...
def solve(**quantities: Any) -> Designs: ...
def analyze(designs: Designs, freq: float, taper: float = ..., taper_angle: Optional[float] = ...,
            jobs: Optional[int] = ..., progress: Union[None, bool, Callable[[int, int], Any]] = ...
            ) -> Dict[str, npt.NDArray[np.float32]]: ...

class Plot:
    svg: str
    def _repr_svg_(self) -> str: ...

class Designs:
    DM: npt.NDArray[np.float32]
    FM: npt.NDArray[np.float32]
    LM: npt.NDArray[np.float32]
    DS: npt.NDArray[np.float32]
    LS: npt.NDArray[np.float32]
    TE: npt.NDArray[np.float32]
    FDE: npt.NDArray[np.float32]
    AS: npt.NDArray[np.float32]
    FS: npt.NDArray[np.float32]
    LT: npt.NDArray[np.float32]
    DF: npt.NDArray[np.float32]
    LP: npt.NDArray[np.float32]
    e: npt.NDArray[np.float32]
    M: npt.NDArray[np.float32]
    f_D: npt.NDArray[np.float32]
    rim_angle: npt.NDArray[np.float32]
    sub_vertex: npt.NDArray[np.float32]
    F_eq: npt.NDArray[np.float32]
    main_depth: npt.NDArray[np.float32]
    @property
    def checks(self) -> npt.NDArray[np.uint32]: ...
    @property
    def ok(self) -> npt.NDArray[np.bool_]: ...
    def check_text(self) -> npt.NDArray[np.object_]: ...
    @property
    def mode(self) -> int: ...
    @property
    def case(self) -> int: ...
    @property
    def title(self) -> str: ...
    @property
    def type(self) -> str: ...
    @property
    def shape(self) -> Tuple[int, ...]: ...
    def __len__(self) -> int: ...
    def __getitem__(self, key: Any) -> Any: ...
    def __iter__(self) -> Iterator[Design]: ...
    def to_pandas(self) -> Any: ...
    def to_csv(self, path: _Path, jobs: Optional[int] = ...) -> None: ...
    def to_json(self, path: _Path, jobs: Optional[int] = ...) -> None: ...
    def plot(self, y: Optional[str] = ...) -> Plot: ...
    @property
    def columns(self) -> Tuple[str, ...]: ...
    def _repr_html_(self) -> str: ...

class Design:
    row: int
    DM: float
    FM: float
    LM: float
    DS: float
    LS: float
    TE: float
    FDE: float
    AS: float
    FS: float
    LT: float
    DF: float
    LP: float
    e: float
    M: float
    f_D: float
    rim_angle: float
    sub_vertex: float
    F_eq: float
    main_depth: float
    @property
    def checks(self) -> Check: ...
    @property
    def ok(self) -> bool: ...
    def check_text(self) -> str: ...
    def svg(self) -> str: ...
    def _repr_svg_(self) -> str: ...
    def write_rsf(self, path: _Path, reflector: str = ..., range: _Range = ..., zoffset: float = ...,
                  reverse: bool = ..., label: Optional[str] = ...) -> None: ...
    def write_champ(self, path: _Path, reflector: str = ..., range: _Range = ...) -> None: ...
    def profile(self, main_range: _Range = ..., sub_range: _Range = ...
                ) -> Dict[str, Tuple[npt.NDArray[np.float32], npt.NDArray[np.float32], npt.NDArray[np.float32]]]: ...
    def write_cassbeam(self, prefix: _Path) -> None: ...
