#pragma once
// The engine's named property values (PESGraph::ScaleManualMinMax ...),
// apart from the control so that its view draws them without knowing it.

#include "core/graph/graphmodel.h"

struct TGraphEnums {
    enum AnnotationType {       // GraphAnnotationType
        AnnotNoSymbol = 0,      // text only
        AnnotPlus = 1,
        AnnotCross = 2,         // an x
        AnnotDot = 3,
        AnnotSquare = 4,
        AnnotCircle = 5,
        AnnotTriangle = 6,
        AnnotDiamond = 7,
        AnnotLastType = GraphLimits::kLastAnnotationType
    };
    enum ScaleControl {         // ManualScaleControlX / Y
        ScaleAuto = 0, ScaleManualMin = 1, ScaleManualMax = 2, ScaleManualMinMax = 3
    };
    enum Zooming {              // AllowZooming
        ZoomNone = 0, ZoomHorizontal = 1, ZoomVertical = 2, ZoomBoth = 3
    };
    enum GridStyleKind {        // GridStyle
        GridThin = 0, GridThick = 1, GridDotted = 2, GridDashed = 3
    };
    enum GridLines {            // GridLineControl
        GridBoth = 0, GridYOnly = 1, GridXOnly = 2, GridNone = 3
    };
    enum CursorKind {           // ArrowCursor
        CursorArrow = 1, CursorIBeam = 2, CursorCross = 3
    };
    enum TableBorder {          // TABorder
        TABorderNone = 0, TABorderLine = 1, TABorderInset = 2
    };
    enum PlotMethod {           // PlottingMethod
        PlotLine = 0, PlotPoints = 1, PlotPointsAndLine = 2
    };
};
