// The classic map objects that map.html, label.js and the program's scripts use, on top of
// Leaflet. Only what they call is here. Animations are off so that a zoom has taken effect by
// the time the next script reads it.

var G_MAP_MAP_PANE = 'tlabelPane';

function GBrowserIsCompatible() {
  return typeof L !== 'undefined';
}

function GUnload() {
  if (typeof map !== 'undefined' && map && map.map_) map.map_.remove();
}

function GLatLng(lat, lng) {
  this.latLng_ = L.latLng(Number(lat), Number(lng));
}
GLatLng.prototype.lat = function () { return this.latLng_.lat; };
GLatLng.prototype.lng = function () { return this.latLng_.lng; };

// A point's place in pixels of the whole world at zoom 0, as the map's projection (spherical
// Mercator, Leaflet's default) puts it, into out[0] and out[1]. At zoom z the map's pixels are
// these times 2^z, exactly. Plain arithmetic: routes have thousands of points, and the page's
// first pass over them runs before the script engine has compiled anything.
var gMercator = L.Projection.SphericalMercator, gTransformation = L.CRS.EPSG3857.transformation;
function gWorldPoint0(lat, lng, out) {
  var d = Math.PI / 180, max = gMercator.MAX_LATITUDE, t = gTransformation;
  var sin = Math.sin(Math.max(Math.min(max, lat), -max) * d);
  out[0] = 256 * (t._a * (gMercator.R * lng * d) + t._b);
  out[1] = 256 * (t._c * (gMercator.R * Math.log((1 + sin) / (1 - sin)) / 2) + t._d);
}

// Projects a layer's n points to the map's pixels at its zoom, rounded to the pixel as the map
// places a point: layer.xs_ / layer.ys_, and their box widened by pad as the layer's _pxBounds.
// worldPointOf(i, out) gives point i as gWorldPoint0 does.
function gProjectLayer(layer, n, worldPointOf, pad) {
  var m = layer._map, k = Math.pow(2, m.getZoom()), origin = m.getPixelOrigin();
  var xs = new Array(n), ys = new Array(n), p = [0, 0];
  var minX = Infinity, minY = Infinity, maxX = -Infinity, maxY = -Infinity;
  for (var i = 0; i < n; i++) {
    worldPointOf(i, p);
    var x = xs[i] = Math.round(p[0] * k) - origin.x, y = ys[i] = Math.round(p[1] * k) - origin.y;
    if (x < minX) minX = x;
    if (x > maxX) maxX = x;
    if (y < minY) minY = y;
    if (y > maxY) maxY = y;
  }
  layer.xs_ = xs;
  layer.ys_ = ys;
  layer._pxBounds = n ? L.bounds([minX - pad, minY - pad], [maxX + pad, maxY + pad]) : null;
}

function gToLeaflet(p) {
  return p instanceof GLatLng ? p.latLng_ : L.latLng(p);
}

function GLatLngBounds(southWest, northEast) {
  this.bounds_ = L.latLngBounds(gToLeaflet(southWest), gToLeaflet(northEast));
}

function GPolyline(points, colour, weight) {
  this.layer_ = new GLine(points.map(gToLeaflet), { color: colour, weight: weight, opacity: 0.8 });
}

// A line through points, drawn whole as one path: Leaflet's own line clips and simplifies it
// first, which for a route of thousands of points costs more than drawing it.
var GLine = L.Path.extend({
  options: { interactive: false },

  initialize: function (latlngs, options) {
    L.setOptions(this, options);
    this.latlngs_ = latlngs;
    this.xs_ = [];
    this.ys_ = [];
  },

  getLatLngs: function () {
    return this.latlngs_;
  },

  _project: function () {
    var list = this.latlngs_;
    gProjectLayer(this, list.length, function (i, p) { gWorldPoint0(list[i].lat, list[i].lng, p); },
                  this._clickTolerance());
  },

  _update: function () {
    if (this._map) this._updatePath();
  },

  _updatePath: function () {
    var renderer = this._renderer, xs = this.xs_, ys = this.ys_, n = xs.length;
    if (!renderer._drawing || n === 0) return;
    var ctx = renderer._ctx;
    ctx.beginPath();
    ctx.moveTo(xs[0], ys[0]);
    for (var i = 1; i < n; i++) ctx.lineTo(xs[i], ys[i]);
    renderer._fillStroke(ctx, this);
  },

  _containsPoint: function () {
    return false;
  }
});

// Text for places where Leaflet expects HTML.
function gEscapeHtml(text) {
  return String(text).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');
}

// The background tiles come from the address the program gives (MapTileUrl); without one the
// map stays blank. When tiles fail to load, a note says so; points and lines work regardless.
function gTileLayer(note) {
  if (typeof MapTileUrl === 'undefined' || !MapTileUrl) return null;
  var layer = L.tileLayer(MapTileUrl, {
    maxZoom: 19,
    attribution: gEscapeHtml(typeof MapTileAttribution === 'undefined' ? '' : MapTileAttribution)
  });
  if (note) {
    var failed = 0;
    layer.on('loading', function () { failed = 0; });
    layer.on('tileerror', function () { failed++; note.style.display = 'block'; });
    layer.on('load', function () { if (failed === 0) note.style.display = 'none'; });
  }
  return layer;
}

function GMap2(element) {
  // One canvas draws the line however many points it has.
  this.map_ = L.map(element, {
    preferCanvas: true, zoomControl: false, zoomAnimation: false, fadeAnimation: false, markerZoomAnimation: false, inertia: false
  });
  this.map_.attributionControl.setPrefix('');  // a link here would lead the window away from the map
  this.map_.createPane(G_MAP_MAP_PANE).style.zIndex = 650;
  this.tiles_ = gTileLayer(document.getElementById('tilenote'));
  if (this.tiles_) this.tiles_.addTo(this.map_);
  this.overlays_ = [];
}

GMap2.prototype.setCenter = function (point, zoom) {
  if (zoom === undefined) zoom = this.map_._loaded ? this.map_.getZoom() : 10;
  this.map_.setView(gToLeaflet(point), zoom, { animate: false });
};
GMap2.prototype.getCenter = function () {
  var c = this.map_.getCenter();
  return new GLatLng(c.lat, c.lng);
};
GMap2.prototype.getZoom = function () { return this.map_.getZoom(); };
GMap2.prototype.zoomIn = function () { this.map_.zoomIn(1, { animate: false }); };
GMap2.prototype.zoomOut = function () { this.map_.zoomOut(1, { animate: false }); };

// The boxes of what the page lays over the map (zoom buttons, tile choice, overview map,
// attribution, the tile note), in the map's container pixels. The tile note counts while tiles
// are in use even when it is hidden: it may appear at any time.
GMap2.prototype.overlayBoxes_ = function () {
  var container = this.map_.getContainer(), origin = container.getBoundingClientRect(), boxes = [];
  var add = function (r) {
    if (r.width > 0 && r.height > 0)
      boxes.push(L.bounds([r.left - origin.left, r.top - origin.top], [r.right - origin.left, r.bottom - origin.top]));
  };
  var controls = container.querySelectorAll('.leaflet-control');
  for (var i = 0; i < controls.length; i++) add(controls[i].getBoundingClientRect());
  var note = document.getElementById('tilenote');
  if (note && this.tiles_) {
    var hidden = getComputedStyle(note).display === 'none';
    if (hidden) { note.style.visibility = 'hidden'; note.style.display = 'block'; }
    add(note.getBoundingClientRect());
    if (hidden) { note.style.display = ''; note.style.visibility = ''; }
  }
  return boxes;
};

// Room around a point for its label: half the largest label shown, or of a typical one.
GMap2.prototype.labelMargin_ = function () {
  var w = 24, h = 10, list = this.tlabelList_ || [];
  for (var i = 0; i < list.length; i++) {
    var e = list[i].el_;
    if (!e || !e.isConnected || list[i].removed_ || !e.firstChild || !e.firstChild.getBoundingClientRect) continue;
    var r = e.firstChild.getBoundingClientRect();
    w = Math.max(w, Math.ceil(r.width / 2));
    h = Math.max(h, Math.ceil(r.height / 2));
  }
  return L.point(w + 2, h + 2);
};

// The largest zoom at which the bounds lie inside the map, and every labelled point with room for
// its label lies inside it too and clear of the overlays, when the map is centred on the middle of
// the bounds' latitudes and longitudes (that is how the program centres them, and on a Mercator map
// that is not the middle of the picture). Leaflet's own answer can be a step too tight. Only the
// points count against the overlays: the route's box would keep a diagonal route out of every corner.
// `labelled` lists the points as [lat, lng] pairs (empty when no labels are shown).
// Points are projected once, at zoom 0: at zoom z the map's pixels are those times 2^z.
GMap2.prototype.getBoundsZoomLevel = function (bounds, labelled) {
  var m = this.map_, b = bounds.bounds_, size = m.getSize();
  var mid = m.project(L.latLng((b.getSouth() + b.getNorth()) / 2, (b.getWest() + b.getEast()) / 2), 0);
  var nw = m.project(b.getNorthWest(), 0), se = m.project(b.getSouthEast(), 0);
  var overlays = this.overlayBoxes_(), margin = this.labelMargin_();
  var n = labelled ? labelled.length : 0, xs = new Float64Array(n), ys = new Float64Array(n);
  var minX = Infinity, minY = Infinity, maxX = -Infinity, maxY = -Infinity;
  var p = [0, 0];
  for (var a = 0; a < n; a++) {
    gWorldPoint0(labelled[a][0], labelled[a][1], p);
    var x = xs[a] = p[0], y = ys[a] = p[1];
    if (x < minX) minX = x;
    if (x > maxX) maxX = x;
    if (y < minY) minY = y;
    if (y > maxY) maxY = y;
  }
  var fits = function (z) {
    var k = Math.pow(2, z), sx = size.x / 2 - mid.x * k, sy = size.y / 2 - mid.y * k;
    var inView = function (x1, y1, x2, y2) { return x1 >= 0 && y1 >= 0 && x2 <= size.x && y2 <= size.y; };
    if (!inView(nw.x * k + sx, nw.y * k + sy, se.x * k + sx, se.y * k + sy)) return false;
    if (n === 0) return true;
    if (!inView(minX * k + sx - margin.x, minY * k + sy - margin.y, maxX * k + sx + margin.x, maxY * k + sy + margin.y))
      return false;
    // A label's room touching an overlay, edges included.
    for (var i = 0; i < overlays.length; i++) {
      var o = overlays[i];
      var left = o.min.x - margin.x, right = o.max.x + margin.x, top = o.min.y - margin.y, bottom = o.max.y + margin.y;
      for (var j = 0; j < n; j++) {
        var x = xs[j] * k + sx, y = ys[j] * k + sy;
        if (x >= left && x <= right && y >= top && y <= bottom) return false;
      }
    }
    return true;
  };
  var z = Math.min(m.getBoundsZoom(b, false), m.getMaxZoom());
  while (z > m.getMinZoom() && !fits(z)) z--;
  return z;
};

GMap2.prototype.addOverlay = function (overlay) {
  overlay.layer_.addTo(this.map_);
  this.overlays_.push(overlay);
};
GMap2.prototype.clearOverlays = function () {
  for (var i = 0; i < this.overlays_.length; i++) this.overlays_[i].layer_.remove();
  this.overlays_ = [];
};
GMap2.prototype.addControl = function (control) { control.addTo(this); };
GMap2.prototype.getContainer = function () { return this.map_.getContainer(); };
GMap2.prototype.getPane = function (name) { return this.map_.getPane(name); };
// Position in the panes that move with the map, as labels are placed.
GMap2.prototype.fromLatLngToDivPixel = function (point) { return this.map_.latLngToLayerPoint(gToLeaflet(point)); };

var GEvent = {
  addListener: function (source, name, handler) { source.map_.on(name, handler); }
};

function GLargeMapControl() {}
GLargeMapControl.prototype.addTo = function (gmap) {
  L.control.zoom({ position: 'topleft', zoomInTitle: '+', zoomOutTitle: '-' }).addTo(gmap.map_);
};

// Choice between the tile background and none.
function GMapTypeControl() {}
GMapTypeControl.prototype.addTo = function (gmap) {
  if (!gmap.tiles_) return;
  L.control.layers({ 'Карта': gmap.tiles_, 'Без подложки': L.layerGroup() }, null,
                   { collapsed: false, position: 'topright' }).addTo(gmap.map_);
};

// A small map in the corner that follows the main one a few steps further out and frames its view.
function GOverviewMapControl() {}
GOverviewMapControl.prototype.addTo = function (gmap) {
  var main = gmap.map_;
  var Overview = L.Control.extend({
    onAdd: function () {
      var box = L.DomUtil.create('div', 'leaflet-bar');
      box.style.width = '120px';
      box.style.height = '90px';
      box.style.background = '#f2efe9';
      return box;
    }
  });
  var control = new Overview({ position: 'bottomright' }).addTo(main);
  var small = L.map(control.getContainer(), {
    attributionControl: false, zoomControl: false, dragging: false, scrollWheelZoom: false,
    doubleClickZoom: false, boxZoom: false, keyboard: false, touchZoom: false,
    zoomAnimation: false, fadeAnimation: false
  });
  var tiles = gTileLayer(null);
  if (tiles) tiles.addTo(small);
  var frame = L.rectangle(main.getBounds(), { color: '#0000ff', weight: 1, fillOpacity: 0.1, interactive: false });
  var follow = function () {
    small.setView(main.getCenter(), Math.max(main.getZoom() - 4, 0), { animate: false });
    frame.setBounds(main.getBounds());
  };
  follow();
  frame.addTo(small);
  main.on('moveend zoomend resize', follow);
};
