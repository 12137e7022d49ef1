from typing import Any, Callable, Dict, Iterator, Optional, Tuple, Union
import enum
import os

import numpy as np
import numpy.typing as npt

__version__: str
__all__: list[str]
VALUES: Tuple[str, ...]
COLUMNS: Tuple[str, ...]
QUANTITIES: Dict[str, str]

class InputError(ValueError): ...
class AnalysisError(RuntimeError): ...
class CadError(RuntimeError): ...

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
    beyond_asymptote: int
    sub_blocks: int
    feed_blocks: int

_Path = Union[str, os.PathLike[str]]
_Range = Optional[Tuple[float, float, float]]
_Grid = Union[None, int, Tuple[int, int]]
_Floats = npt.NDArray[np.float32]

def steps(start: float, stop: float, step: float) -> npt.NDArray[np.float32]: ...
def solve(jobs: Optional[int] = ..., **quantities: Any) -> Designs: ...
def analyze(designs: Designs, freq: float, taper: float = ..., taper_angle: Optional[float] = ...,
            jobs: Optional[int] = ..., progress: Union[None, bool, Callable[[int, int], Any]] = ...
            ) -> Dict[str, npt.NDArray[np.float32]]: ...
def radiate(designs: Designs, freq: float, unit: str, taper: float = ..., taper_angle: Optional[float] = ...,
            pol: str = ..., feed: str = ..., method: str = ..., jobs: Optional[int] = ...,
            progress: Union[None, bool, Callable[[int, int], Any]] = ..., client: Any = ...,
            po_sampling: Optional[float] = ..., chunk: Optional[int] = ...) -> Dict[str, npt.NDArray[np.float32]]: ...

class Plot:
    svg: str
    def _repr_svg_(self) -> str: ...

class Designs:
    """Columns take the study's shape (a view of the engine's buffer)."""
    DM: _Floats
    FM: _Floats
    LM: _Floats
    DS: _Floats
    LS: _Floats
    TE: _Floats
    FDE: _Floats
    AS: _Floats
    FS: _Floats
    LT: _Floats
    DF: _Floats
    LP: _Floats
    e: _Floats
    M: _Floats
    f_D: _Floats
    rim_angle: _Floats
    sub_vertex: _Floats
    F_eq: _Floats
    main_depth: _Floats
    H: _Floats
    HC: _Floats
    TH0: _Floats
    BETA: _Floats
    ALPHA: _Floats
    E: _Floats
    C2: _Floats
    DSY: _Floats
    LSM: _Floats
    FEQ: _Floats
    DFPR: _Floats
    DSRPR: _Floats
    chord: _Floats
    feed_axis: _Floats
    length: _Floats
    height: _Floats
    designs: npt.NDArray[np.int64]
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
    @property
    def ndim(self) -> int: ...
    @property
    def size(self) -> int: ...
    def __len__(self) -> int: ...
    def __getitem__(self, key: Any) -> Any: ...
    def __iter__(self) -> Iterator[Any]: ...
    def ravel(self) -> Designs: ...
    def to_pandas(self) -> Any: ...
    def write_csv(self, path: _Path, jobs: Optional[int] = ...) -> None: ...
    def write_json(self, path: _Path, jobs: Optional[int] = ...) -> None: ...
    def write_table(self, path: _Path, jobs: Optional[int] = ...) -> None: ...
    def write_html(self, path: _Path, at: int = ...) -> None: ...
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
    H: float
    HC: float
    TH0: float
    BETA: float
    ALPHA: float
    E: float
    C2: float
    DSY: float
    LSM: float
    FEQ: float
    DFPR: float
    DSRPR: float
    chord: float
    feed_axis: float
    length: float
    height: float
    designs: int
    @property
    def checks(self) -> Check: ...
    @property
    def ok(self) -> bool: ...
    def check_text(self) -> str: ...
    def svg(self) -> str: ...
    def sketch(self) -> str: ...
    def _repr_svg_(self) -> str: ...
    def write_rsf_main(self, path: _Path, range: _Range = ..., zoffset: float = ..., reverse: bool = ...,
                       label: Optional[str] = ...) -> None: ...
    def write_rsf_sub(self, path: _Path, range: _Range = ..., zoffset: float = ..., reverse: bool = ...,
                      label: Optional[str] = ...) -> None: ...
    def write_champ_main(self, path: _Path, range: _Range = ...) -> None: ...
    def write_champ_sub(self, path: _Path, range: _Range = ...) -> None: ...
    def write_sfc_main(self, path: _Path, grid: _Grid = ...) -> None: ...
    def write_sfc_sub(self, path: _Path, grid: _Grid = ...) -> None: ...
    def write_tor(self, path: _Path) -> None: ...
    def write_profile(self, path: _Path, main_range: _Range = ..., sub_range: _Range = ...) -> None: ...
    def write_rsf(self, path: _Path, reflector: str = ..., range: _Range = ..., zoffset: float = ...,
                  reverse: bool = ..., label: Optional[str] = ...) -> None: ...
    def write_champ(self, path: _Path, reflector: str = ..., range: _Range = ...) -> None: ...
    def profile(self, main_range: _Range = ..., sub_range: _Range = ...) -> Dict[str, Tuple[_Floats, ...]]: ...
    def write_cassbeam(self, prefix: _Path) -> None: ...
    def pattern(self, freq: float, unit: str, taper: float = ..., taper_angle: Optional[float] = ..., pol: str = ...,
                feed: str = ..., cuts: Any = ..., theta_max: Optional[float] = ..., points: int = ...,
                method: str = ..., po_sampling: Optional[float] = ...) -> Any: ...
    def pattern_svg(self, freq: float, unit: str, taper: float = ..., taper_angle: Optional[float] = ...,
                    pol: str = ..., feed: str = ..., cuts: Any = ..., theta_max: Optional[float] = ...,
                    points: int = ..., method: str = ..., po_sampling: Optional[float] = ...) -> str: ...
    def write_pattern(self, path: _Path, freq: float, unit: str, taper: float = ..., taper_angle: Optional[float] = ...,
                      pol: str = ..., feed: str = ..., cuts: Any = ..., theta_max: Optional[float] = ...,
                      points: int = ..., method: str = ..., po_sampling: Optional[float] = ...) -> None: ...
    def write_dxf(self, path: _Path, r12: bool = ..., main_range: _Range = ..., sub_range: _Range = ...) -> None: ...
    def write_stl(self, path: _Path, tolerance: Optional[float] = ..., main_range: _Range = ...,
                  sub_range: _Range = ...) -> None: ...
    def write_step(self, path: _Path, thickness: Optional[float] = ..., main_range: _Range = ...,
                   sub_range: _Range = ...) -> None: ...
