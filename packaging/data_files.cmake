# The pictures and the music that demo/scene.cpp and the music stream load; nothing else. Both
# the installs and the Windows zip carry exactly these.
set(TUVORAN_DATA_FILES
    image.jpg imagea.jpg metronomoide.jpg metronomoidea.jpg Ovrin.jpg Ovrina.jpg xv5.jpg
    blanconick.jpg kurne.jpg dospe.jpg fralu.jpg qmz.jpg yorvek.jpg code.jpg gfx.jpg music.jpg
    negdeg.jpg deg1.jpg tuvoran.jpg cubonegro.jpg particle1.jpg particle1a.jpg rayo.jpg rayoa.jpg
    muzak.mp3)
list(TRANSFORM TUVORAN_DATA_FILES PREPEND ${PROJECT_SOURCE_DIR}/data/)
